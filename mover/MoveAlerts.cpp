#include "MoveAlerts.h"

#include <QApplication>
#include <QCheckBox>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The small control size: 11 points against the regular 13.
constexpr qreal kSmallFontRatio = 11.0 / 13.0;

void useApplicationIcon(QMessageBox& box)
{
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        box.setIconPixmap(icon.pixmap(64, 64));
}

QCheckBox* suppressionCheckBox()
{
    auto* check = new QCheckBox(
        QCoreApplication::translate("MoveApplication", "Do not show this message again"));
    QFont font = QApplication::font();
    font.setPointSizeF(font.pointSizeF() * kSmallFontRatio);
    check->setFont(font);
    return check;
}

// The question comes before any window: bring the application forward so
// it is not lost behind the window the user started it from.
void bringForward(QMessageBox& box)
{
    box.setWindowModality(Qt::ApplicationModal);
    if (QGuiApplication::applicationState() == Qt::ApplicationActive)
        return;
    box.show();
    box.raise();
    box.activateWindow();
}

} // namespace

MoveAlerts::Answer MoveAlerts::askToMove(const QString& messageText, const QString& informativeText)
{
    QMessageBox box;
    box.setWindowTitle(QApplication::applicationName());
    useApplicationIcon(box);
    box.setText(messageText);
    box.setInformativeText(informativeText);
    QPushButton* move =
        box.addButton(QCoreApplication::translate("MoveApplication", "Move to Applications Folder"),
                      QMessageBox::AcceptRole);
    QPushButton* stay = box.addButton(QCoreApplication::translate("MoveApplication", "Do Not Move"),
                                      QMessageBox::RejectRole);
    box.setDefaultButton(move);
    box.setEscapeButton(stay);
    QCheckBox* check = suppressionCheckBox();
    box.setCheckBox(check);
    bringForward(box);
    box.exec();
    return {box.clickedButton() == move, check->isChecked()};
}

void MoveAlerts::showFailure()
{
    QMessageBox box;
    box.setWindowTitle(QApplication::applicationName());
    useApplicationIcon(box);
    box.setText(
        QCoreApplication::translate("MoveApplication", "Could not move to Applications folder"));
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
