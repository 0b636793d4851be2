#include "shell/program_files.h"

#include <QFile>
#include <memory>
#include <string>

#include "engine/calc_engine.h"
#include "files/memory_image.h"
#include "files/program_source.h"
#include "files/read_input.h"

namespace korvelce {

bool isProgramSource(const QString& path) {
    return path.endsWith(QStringLiteral(".kvs"), Qt::CaseInsensitive);
}

bool loadProgramOrSource(CalcEngine& engine, const QString& path, QString* why) {
    const std::string native = QFile::encodeName(path).toStdString();
    std::string reason;
    if (!isProgramSource(path)) {
        if (loadMemoryImage(engine, native, &reason)) return true;
        if (why != nullptr) *why = QString::fromLocal8Bit(reason);
        return false;
    }
    const InputRead read = readWholeInput(native);
    if (!read.bytes || read.truncated) {
        if (why != nullptr)
            *why = read.truncated
                       ? QStringLiteral("it is larger than %1 MiB").arg(kMaxTextInput >> 20)
                       : QString::fromLocal8Bit(read.message);
        return false;
    }
    // Keyed into a copy that holds the same registers, so that a source with an error changes
    // nothing and the registers come back as they were.
    auto keyed = std::make_unique<CalcEngine>();
    keyed->registers = engine.registers;
    const AssembleResult result = assembleProgram(*keyed, *read.bytes);
    if (!result.ok) {
        if (why != nullptr) *why = QString::fromStdString(result.message);
        return false;
    }
    applyMemoryImage(engine, memoryImageBytes(*keyed));
    return true;
}

}  // namespace korvelce
