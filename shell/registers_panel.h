// The registers panel beside the face: R00 to R99 (all, or only those not zero) in the display
// format, and the state no display shows: T, flags 0 to 9, the angle unit, FIX and the display
// format, the subroutine depth and the pending operations.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <array>
#include <vector>

#include "engine/calc_engine.h"

class QCheckBox;
class QLabel;
class QTableView;

namespace korvelce {

// The value texts of the data registers, as the printer and display write them.
class RegisterModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit RegisterModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Takes the registers in; only rows whose text changed are announced. With nonZeroOnly the
    // rows are the registers that are not zero.
    void update(const std::array<DecNumber, kRegisters>& registers, int fixDigits,
                int displayFormat, bool nonZeroOnly);
    // The register shown in a row.
    [[nodiscard]] int registerAt(int row) const { return shown_[static_cast<std::size_t>(row)]; }
    [[nodiscard]] QString textOf(int reg) const { return texts_[static_cast<std::size_t>(reg)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::array<DecNumber, kRegisters> values_{};
    std::array<QString, kRegisters> texts_;
    std::vector<int> shown_;
    int fixDigits_ = -1;
    int displayFormat_ = -1;
    bool nonZeroOnly_ = false;
    bool filled_ = false;
};

class RegistersPanel : public QWidget {
    Q_OBJECT

  public:
    explicit RegistersPanel(const CalcEngine& engine, QWidget* parent = nullptr);

    // Brings the panel up to the engine when something it shows changed.
    void refresh();
    void setNonZeroOnly(bool on);
    [[nodiscard]] bool nonZeroOnly() const;

    [[nodiscard]] RegisterModel& model() { return model_; }
    // The state lines as shown: "T", "Flags", "Angle", "Format", "Subroutines", "Pending".
    [[nodiscard]] QString stateText(const QString& name) const;

    // Texts of the engine's state, as the panel writes them.
    static QString flagsText(const CalcEngine& engine, bool rich);
    static QString formatText(const CalcEngine& engine);
    static QString angleText(const CalcEngine& engine);
    static QString pendingText(const CalcEngine& engine);

  private:
    // The few fields the state lines come from, compared to skip refreshes that change nothing.
    struct State {
        DecNumber t;
        std::array<int, kFlags> flags{};
        int angleUnit = -1;
        int fixDigits = -1;
        int displayFormat = -1;
        int returnDepth = -1;
        int level = -1;
        int openParens = -1;
        std::array<DecNumber, PendingStack::kSlots> values{};
        std::array<int, PendingStack::kSlots> ops{};
        std::array<int, PendingStack::kSlots> parens{};
        bool operator==(const State& other) const;
    };
    static State stateOf(const CalcEngine& engine);

    const CalcEngine& engine_;
    RegisterModel model_;
    QCheckBox* nonZero_ = nullptr;
    QTableView* table_ = nullptr;
    QLabel* tValue_ = nullptr;
    QLabel* flags_ = nullptr;
    QLabel* angle_ = nullptr;
    QLabel* format_ = nullptr;
    QLabel* depth_ = nullptr;
    QLabel* pending_ = nullptr;
    State shown_;
    bool stateShown_ = false;
};

}  // namespace korvelce
