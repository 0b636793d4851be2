#include "shell/system_error.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <cstdio>
#include <cstring>

namespace korvelce {

namespace {

QPointer<QWidget>& owner() {
    static QPointer<QWidget> widget;
    return widget;
}

SystemErrorPresenter& presenter() {
    static SystemErrorPresenter current;
    return current;
}

// Whether the C library knows the code as an error number.
bool knownErrorCode(int errorCode) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
    return ::strerrordesc_np(errorCode) != nullptr;
#else
    // Other C libraries describe unknown codes with a text of their own; the usual ones
    // begin with "Unknown error".
    return std::strncmp(std::strerror(errorCode), "Unknown error", 13) != 0;
#endif
}

void defaultPresenter(const QString& caption, const QString& text) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        reportToStandardError(caption, text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner().data());
    box.exec();
}

}  // namespace

void reportToStandardError(const QString& caption, const QString& text) {
    std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(),
                 text.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString systemErrorText(int errorCode) {
    if (knownErrorCode(errorCode)) return QString::fromLocal8Bit(std::strerror(errorCode));
    return QString::asprintf("err 0x%08X", static_cast<unsigned int>(errorCode));
}

void showSystemError(int errorCode, const QString& caption) {
    showSystemError(caption, systemErrorText(errorCode));
}

void showSystemError(const QString& caption, const QString& text) {
    // A copy: the presenter may replace itself while it runs.
    const SystemErrorPresenter show = presenter();
    if (show)
        show(caption, text);
    else
        defaultPresenter(caption, text);
}

void setSystemErrorOwner(QWidget* widget) {
    owner() = widget;
}

SystemErrorPresenter setSystemErrorPresenter(SystemErrorPresenter replacement) {
    SystemErrorPresenter previous = std::move(presenter());
    presenter() = std::move(replacement);
    return previous;
}

}  // namespace korvelce
