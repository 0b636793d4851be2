// The calculator window as the window tests make it: a screen mode (the 480x800 one unless
// another is named) at its own size.
#pragma once

#include <gtest/gtest.h>

#include <QSize>
#include <QString>
#include <memory>

#include "shell/main_window.h"

namespace korvelce::test {

// The handheld screen of a screen mode (0: 240x320, 1: 480x640, 2: 480x800).
inline QSize handheldSize(int mode) {
    return mode == 0 ? QSize(240, 320) : (mode == 1 ? QSize(480, 640) : QSize(480, 800));
}

// A window on engine and settings, or nullptr (and a failed test) when the face's pictures
// cannot be loaded.
inline std::unique_ptr<MainWindow> faceWindow(CalcEngine& engine, Settings& settings,
                                              int mode = 2) {
    FacePictures pictures;
    QString failed;
    if (!loadFacePictures(mode, pictures, failed)) {
        ADD_FAILURE() << "the face's pictures: " << failed.toStdString();
        return nullptr;
    }
    return std::make_unique<MainWindow>(engine, settings, mode, std::move(pictures),
                                        handheldSize(mode));
}

}  // namespace korvelce::test
