// The calculator window's entry point.
#include <QApplication>
#include <QIcon>
#include <iostream>

#include "korvelce/version.h"
#include "shell/application.h"
#include "shell/command_line.h"

int main(int argc, char** argv) {
    // --help and --version answer before the window system is reached, so they need no display.
    if (const auto status = korvelce::answerInformationOption(argc, argv, std::cout))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvelce"));
    QApplication::setOrganizationName(QStringLiteral("Brannock"));
    QApplication::setApplicationVersion(QString::fromLatin1(korvelce::kVersion));
    // Ties the window to its installed desktop entry (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QString::fromLatin1(korvelce::kApplicationId));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/artwork/icon.png")));
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    return korvelce::runApplication(arguments);
}
