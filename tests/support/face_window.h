// The calculator window as most window tests use it: the 480x800 screen mode at its own size.
#pragma once

#include <gtest/gtest.h>

#include <QSize>
#include <QString>
#include <memory>

#include "shell/main_window.h"

namespace korvelce::test {

// A window on engine and settings, or nullptr (and a failed test) when the face's pictures
// cannot be loaded.
inline std::unique_ptr<MainWindow> faceWindow(CalcEngine& engine, Settings& settings) {
    FacePictures pictures;
    QString failed;
    if (!loadFacePictures(2, pictures, failed)) {
        ADD_FAILURE() << "the face's pictures: " << failed.toStdString();
        return nullptr;
    }
    return std::make_unique<MainWindow>(engine, settings, 2, std::move(pictures), QSize(480, 800));
}

}  // namespace korvelce::test
