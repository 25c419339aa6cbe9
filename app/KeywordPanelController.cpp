#include "KeywordPanelController.h"

#include "TolvaneApertureAppDelegate.h"
#include "TolvaneSettings.h"
#include "core/UserDefaults.h"
#include "ui_KeywordCustomizationPanel.h"

#include <QDialog>

KeywordPanelController::KeywordPanelController(TolvaneApertureAppDelegate& delegate,
                                               UserDefaults& defaults, QWidget* window)
    : m_delegate(delegate), m_dialog(new QDialog(window)),
      m_ui(std::make_unique<Ui::KeywordCustomizationPanel>()), m_panel(m_dialog),
      m_observers(defaults, this)
{
    m_ui->setupUi(m_dialog);
    m_fields = {
        {m_ui->parentKeywordsField, TolvaneSettings::ParentKeywords},
        {m_ui->originalsKeywordField, TolvaneSettings::OriginalsKeyword},
        {m_ui->processedKeywordField, TolvaneSettings::ProcessedKeyword},
        {m_ui->extractedSeparatedKeywordField, TolvaneSettings::ExtractedSeparatedKeyword},
        {m_ui->extractedRawKeywordField, TolvaneSettings::ExtractedRawKeyword},
        {m_ui->extractedJpegKeywordField, TolvaneSettings::ExtractedJpegKeyword},
    };
    for (const auto& entry : m_fields) {
        QLineEdit* field = entry.first;
        const QString key = entry.second;
        connect(field, &QLineEdit::editingFinished, this,
                [this, field, key] { commit(field, key); });
        m_observers.observe(key, [this, field, key] {
            const QString text = m_observers.defaults().stringForKey(key);
            if (field->text() != text)
                field->setText(text);
            field->setModified(false);
        });
    }
    connect(m_ui->closeButton, &QPushButton::clicked, this, [this] {
        commitAll();
        m_delegate.dismissKeywordCustomizationPanel();
    });
    // Escape and the window's close button end the dialog themselves.
    connect(m_dialog, &QDialog::finished, this, [this] {
        commitAll();
        m_delegate.dismissKeywordCustomizationPanel();
    });
}

KeywordPanelController::~KeywordPanelController() = default;

void KeywordPanelController::commit(QLineEdit* field, const QString& key)
{
    if (!field->isModified())
        return;
    field->setModified(false);
    m_observers.defaults().setValue(field->text(), key);
}

void KeywordPanelController::commitAll()
{
    for (const auto& [field, key] : m_fields)
        commit(field, key);
}
