#include "shell/saved_state.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "files/memory_image.h"
#include "shell/system_error.h"

namespace korvelce {

SavedState::SavedState(const CalcEngine& engine, QString path)
    : engine_(engine), path_(std::move(path)) {}

void SavedState::markCurrent() {
    written_ = memoryImageBytes(engine_);
}

bool SavedState::changed() const {
    return memoryImageBytes(engine_) != written_;
}

void SavedState::saveIfChanged() {
    if (changed()) write(!failureShown_);
}

void SavedState::save() {
    write(true);
}

bool SavedState::write(bool report) {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    const SaveResult result = saveMemoryImage(engine_, QFile::encodeName(path_).toStdString());
    if (!result.ok) {
        if (report) {
            failureShown_ = true;
            showSystemError(QStringLiteral("CreateFile"), QString::fromLocal8Bit(result.message));
        }
        return false;
    }
    written_ = memoryImageBytes(engine_);
    failureShown_ = false;
    return true;
}

}  // namespace korvelce
