// The saved state while the window runs: the memory image is written again whenever it differs
// from the one last written (or loaded), so a window that ends without saving (a crash, a lost
// display) costs only the latest changes.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace korvelce {

class CalcEngine;

class SavedState {
  public:
    SavedState(const CalcEngine& engine, QString path);

    // What the engine holds now counts as written (the state or file just loaded).
    void markCurrent();
    // Whether the engine's image differs from the one last written or marked.
    [[nodiscard]] bool changed() const;

    // Writes the state when it changed. A failure shows the error box once; later failures
    // stay silent until a write succeeds again.
    void saveIfChanged();
    // Writes the state whatever it holds (on the way out); a failure is always reported.
    void save();

    [[nodiscard]] const QString& path() const { return path_; }

  private:
    bool write(bool report);

    const CalcEngine& engine_;
    QString path_;
    std::vector<std::uint8_t> written_;
    bool failureShown_ = false;
};

}  // namespace korvelce
