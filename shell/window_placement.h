// Where the calculator's window opens and how large: the place and size it had when it last
// closed, as long as that place is still on a connected screen; the first time, a size that
// suits the screen (about three quarters of its height) in the middle of it.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

#include "shell/settings.h"

class QWidget;

namespace korvelce {

// The share of the screen's available height that the first window takes.
inline constexpr double kFirstWindowHeightShare = 0.75;

// The window's size the first time: the handheld screen scaled to three quarters of the
// available height, or to the available width when that is narrower, proportions kept.
QSize firstWindowSize(QSize handheld, const QRect& available);

// The position saved at the last close, when a window of that size placed there would show
// enough of itself on one of the screens for the user to take hold of it (a strip of its top
// edge at least 48 pixels wide and 16 high); nothing otherwise.
std::optional<QPoint> usablePosition(QPoint saved, QSize size, const QList<QRect>& screens);

// Sizes and places a top-level window from the settings: the saved size (at least minimum),
// or firstWindowSize; the saved position when usablePosition accepts it, else centred on the
// primary screen.
void placeWindow(QWidget& window, const Settings& settings, QSize handheld, QSize minimum);

// Records the window's position and size (those it has when not maximised) in the settings.
void rememberPlacement(const QWidget& window, Settings& settings);

// Shows window (restored when minimised) above the others and gives it the focus: a file handed
// over by another copy of the calculator is about to be offered in it.
void bringToFront(QWidget& window);

}  // namespace korvelce
