#include "shell/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace korvelce {

QSize firstWindowSize(QSize handheld, const QRect& available) {
    if (handheld.isEmpty() || available.isEmpty()) return handheld;
    double scale = kFirstWindowHeightShare * available.height() / handheld.height();
    scale = std::min(scale, static_cast<double>(available.width()) / handheld.width());
    return {static_cast<int>(std::lround(handheld.width() * scale)),
            static_cast<int>(std::lround(handheld.height() * scale))};
}

std::optional<QPoint> usablePosition(QPoint saved, QSize size, const QList<QRect>& screens) {
    constexpr int kStripHeight = 16;
    constexpr int kLeastWidth = 48;
    const QRect strip(saved, QSize(std::max(size.width(), kLeastWidth), kStripHeight));
    for (const QRect& screen : screens) {
        const QRect shown = strip.intersected(screen);
        if (shown.width() >= kLeastWidth && shown.height() >= kStripHeight) return saved;
    }
    return std::nullopt;
}

void placeWindow(QWidget& window, const Settings& settings, QSize handheld, QSize minimum) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect available = primary != nullptr ? primary->availableGeometry() : QRect();
    QSize size = settings.width > 0 && settings.height > 0
                     ? QSize(settings.width, settings.height).expandedTo(minimum)
                     : firstWindowSize(handheld, available);
    window.resize(size);
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    if (const auto position = usablePosition(QPoint(settings.left, settings.top), size, screens))
        window.move(*position);
    else if (!available.isEmpty())
        window.move(available.center() - QPoint(size.width() / 2, size.height() / 2));
}

void rememberPlacement(const QWidget& window, Settings& settings) {
    const bool normal = !window.isMaximized() && !window.isFullScreen();
    const QRect frame = normal ? QRect(window.pos(), window.size()) : window.normalGeometry();
    settings.left = frame.x();
    settings.top = frame.y();
    settings.width = frame.width();
    settings.height = frame.height();
}

void bringToFront(QWidget& window) {
    if (window.isMinimized()) window.showNormal();
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace korvelce
