#include "QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <cstdio>

#include "UserMessage.h"

namespace platform {

bool IsHeadlessPlatform()
{
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("offscreen") || name == QLatin1String("minimal");
}

void ShowQtMessageBox(const std::string& text, const std::string& caption)
{
    if (qApp == nullptr || IsHeadlessPlatform()) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return;
    }
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, owner);
    box.exec();
}

void InstallQtMessageBox() { SetMessageHandler(&ShowQtMessageBox); }

}  // namespace platform
