// The calculator window's entry point.
#include <QApplication>
#include <QIcon>

#include "shell/application.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvelce"));
    QApplication::setOrganizationName(QStringLiteral("Brannock"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.874.1"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/artwork/icon.png")));
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    return korvelce::runApplication(arguments);
}
