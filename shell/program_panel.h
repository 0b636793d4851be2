// The program panel beside the face: the listing of the program the calculator is working on,
// one row per step as the listing file reads it, with the step it is at marked. It shows the
// user's program (learn mode, the program counter after SST or a stop, the running step), or a
// library program when one is selected, read-only.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>
#include <vector>

#include "engine/calc_engine.h"
#include "files/listing.h"

class QLabel;
class QTableView;

namespace korvelce {

// The rows of a listing: step, code, and the key or operand as the listing reads it.
class ListingModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { kStep = 0, kCode = 1, kForm = 2, kColumns = 3 };

    explicit ListingModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Lists steps 000 to length - 1 of bank (operand rows may run a little past).
    void setListing(const ProgramBank& bank, int length);
    void setMarker(int step);
    [[nodiscard]] int marker() const { return marker_; }
    [[nodiscard]] const std::vector<ListingRow>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::vector<ListingRow> rows_;
    int marker_ = -1;
};

class ProgramPanel : public QWidget {
    Q_OBJECT

  public:
    ProgramPanel(const CalcEngine& engine, QWidget* parent = nullptr);

    // The library module loaded in banks 1 to 25 (for the caption).
    void setModule(int identifier) { module_ = identifier; }
    // Brings the panel up to the engine when what it shows changed; cheap when nothing did.
    void refresh();

    // A step clicked while the panel is editable (learn mode, the user's program).
    std::function<void(int step)> stepClicked;

    [[nodiscard]] const ProgramView& view() const { return view_; }
    [[nodiscard]] QString caption() const;
    [[nodiscard]] ListingModel& model() { return model_; }
    [[nodiscard]] QTableView* table() const { return table_; }
    // A click on the row of a step, as the mouse gives it.
    void clickStep(int step);

  private:
    const CalcEngine& engine_;
    ListingModel model_;
    QLabel* caption_ = nullptr;
    QTableView* table_ = nullptr;
    ProgramView view_{-1, -1, -1, false};
    ProgramBank shownSteps_{};
    int shownLength_ = -1;
    int module_ = 0;
    int shownModule_ = -1;
};

}  // namespace korvelce
