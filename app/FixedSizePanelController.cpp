#include "FixedSizePanelController.h"

#include "TolvaneApertureAppDelegate.h"
#include "ui_FixedSizePanel.h"

#include <QDialog>
#include <QIntValidator>

namespace {
// The largest side anyone would type; keeps the field to whole numbers.
constexpr int kMaximumSide = 1000000;

QVariant sizeFromText(const QString& text)
{
    return qint64(text.trimmed().toLongLong());
}

// A side that does not bind (0 or no value) shows as an empty field.
QString textFromSize(const QVariant& size)
{
    const qint64 pixels = size.isValid() ? size.toLongLong() : 0;
    return pixels == 0 ? QString() : QString::number(pixels);
}
} // namespace

FixedSizePanelController::FixedSizePanelController(TolvaneApertureAppDelegate& delegate,
                                                   QWidget* window)
    : m_delegate(delegate), m_dialog(new QDialog(window)),
      m_ui(std::make_unique<Ui::FixedSizePanel>()), m_panel(m_dialog)
{
    m_ui->setupUi(m_dialog);
    m_length = new LineEditTextField(m_ui->fixedLengthTextField, this);
    m_width = new LineEditTextField(m_ui->fixedWidthTextField, this);
    for (QLineEdit* field : {m_ui->fixedLengthTextField, m_ui->fixedWidthTextField})
        field->setValidator(new QIntValidator(0, kMaximumSide, field));

    connect(m_length, &LineEditTextField::committed, this,
            [this](const QString& text) { m_delegate.setLongSize(sizeFromText(text)); });
    connect(m_width, &LineEditTextField::committed, this,
            [this](const QString& text) { m_delegate.setShortSize(sizeFromText(text)); });
    // clicked, unlike toggled, is the user's alone: showing the delegate's
    // value never feeds back into it.
    connect(m_ui->longLockedCheck, &QCheckBox::clicked, this,
            [this](bool on) { m_delegate.setLongLocked(on); });
    connect(m_ui->shortLockedCheck, &QCheckBox::clicked, this,
            [this](bool on) { m_delegate.setShortLocked(on); });
    connect(m_ui->doneButton, &QPushButton::clicked, this,
            [this] { m_delegate.dismissFixedSizePanel(); });
    connect(m_dialog, &QDialog::rejected, this, [this] { m_delegate.dismissFixedSizePanel(); });
    connect(&m_delegate, &TolvaneApertureAppDelegate::propertyChanged, this,
            &FixedSizePanelController::showProperty);
    showAll();
}

FixedSizePanelController::~FixedSizePanelController() = default;

void FixedSizePanelController::showAll()
{
    for (const char* name : {"longSize", "shortSize", "longLocked", "shortLocked"})
        showProperty(QString::fromLatin1(name));
}

void FixedSizePanelController::showProperty(const QString& name)
{
    if (name == QLatin1String("longSize")) {
        m_length->setStringValue(textFromSize(m_delegate.longSize()));
    } else if (name == QLatin1String("shortSize")) {
        m_width->setStringValue(textFromSize(m_delegate.shortSize()));
    } else if (name == QLatin1String("longLocked")) {
        m_ui->longLockedCheck->setChecked(m_delegate.longLocked());
        m_ui->fixedLengthTextField->setEnabled(m_delegate.longLocked());
    } else if (name == QLatin1String("shortLocked")) {
        m_ui->shortLockedCheck->setChecked(m_delegate.shortLocked());
        m_ui->fixedWidthTextField->setEnabled(m_delegate.shortLocked());
    }
}
