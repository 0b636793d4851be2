#include "shell/program_panel.h"

#include <QFont>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "files/module_resources.h"

namespace korvelce {

namespace {

constexpr int kRowsPerPage = 20;  // the listing's unit: it ends at a multiple of 20 steps

QString threeDigits(int n) {
    return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
}

}  // namespace

void ListingModel::setListing(const ProgramBank& bank, int length) {
    beginResetModel();
    rows_ = listingRows(bank, length);
    endResetModel();
}

void ListingModel::setMarker(int step) {
    if (step == marker_) return;
    const int old = marker_;
    marker_ = step;
    for (const int row : {old, step}) {
        if (row >= 0 && row < rowCount()) emit dataChanged(index(row, 0), index(row, kColumns - 1));
    }
}

int ListingModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ListingModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ListingModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ListingRow& row = rows_[static_cast<std::size_t>(index.row())];
    const bool marked = index.row() == marker_;
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case kStep:
                    return threeDigits(row.address);
                case kCode:
                    return QStringLiteral("%1").arg(row.code, 2, 10, QLatin1Char('0'));
                default:
                    return QString::fromStdString(row.form);
            }
        case Qt::AccessibleTextRole:
            return QStringLiteral("step %1, code %2, %3%4")
                .arg(threeDigits(row.address))
                .arg(row.code)
                .arg(QString::fromStdString(row.form))
                .arg(marked ? QStringLiteral(", current") : QString());
        case Qt::BackgroundRole:
            if (marked) return QColor(0xff, 0xd8, 0x6b);
            // Every twentieth step is a page of the listing: a faint band helps counting.
            if ((row.address / kRowsPerPage) % 2 == 1) return QColor(0xf3, 0xf3, 0xf0);
            return {};
        case Qt::ForegroundRole:
            return marked ? QColor(Qt::black) : QVariant();
        case Qt::FontRole:
            if (marked) {
                QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
                font.setBold(true);
                return font;
            }
            return {};
        case Qt::TextAlignmentRole:
            return index.column() == kForm ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                           : int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant ListingModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kStep:
            return QStringLiteral("Step");
        case kCode:
            return QStringLiteral("Code");
        default:
            return QStringLiteral("Key");
    }
}

ProgramPanel::ProgramPanel(const CalcEngine& engine, QWidget* parent)
    : QWidget(parent), engine_(engine) {
    setObjectName(QStringLiteral("programPanelContents"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    caption_ = new QLabel(this);
    caption_->setWordWrap(true);
    caption_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(caption_);
    table_ = new QTableView(this);
    table_->setModel(&model_);
    table_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The marked step is the only highlight: a click selects nothing.
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    const int digit = table_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    table_->setColumnWidth(ListingModel::kStep, digit * 5);
    table_->setColumnWidth(ListingModel::kCode, digit * 5);
    table_->setAccessibleName(QStringLiteral("Program listing"));
    layout->addWidget(table_, 1);
    connect(table_, &QTableView::clicked, this,
            [this](const QModelIndex& index) { clickStep(index.row()); });
    setMinimumWidth(digit * 30);
    refresh();
}

void ProgramPanel::clickStep(int step) {
    if (!view_.editable || step < 0 || step >= static_cast<int>(model_.rows().size())) return;
    if (stepClicked) stepClicked(model_.rows()[static_cast<std::size_t>(step)].address);
}

QString ProgramPanel::caption() const {
    QString where;
    if (view_.bank == 0) {
        where = QStringLiteral("Your program");
    } else {
        const QString name = QString::fromUtf8(moduleName(module_));
        const QString title = QString::fromUtf8(moduleProgramTitle(module_, view_.bank));
        where = QStringLiteral("Library %1 (module %2), program %3")
                    .arg(name.isEmpty() ? QStringLiteral("module") : name)
                    .arg(module_)
                    .arg(view_.bank, 2, 10, QLatin1Char('0'));
        if (!title.isEmpty()) where += QStringLiteral(": ") + title;
        where += QStringLiteral(" (read-only)");
    }
    QString state;
    if (view_.mode == kLearn)
        state = QStringLiteral("learn mode, step %1").arg(threeDigits(view_.marker));
    else if (view_.mode == kRun)
        state = QStringLiteral("running");  // the marked row follows the step
    else if (view_.marker >= 0)
        state = QStringLiteral("program counter at step %1").arg(threeDigits(view_.marker));
    return state.isEmpty() ? where : where + QLatin1Char('\n') + state;
}

void ProgramPanel::refresh() {
    const ProgramView now = ProgramView::of(engine_);
    const ProgramBank& steps = engine_.programMemory[static_cast<std::size_t>(now.bank)];
    // The listing covers the program and the marked step, a page of 20 steps at a time.
    const int length = std::min(
        kSteps, std::max(listingLength(steps), (now.marker / kRowsPerPage + 1) * kRowsPerPage));
    const bool stepsChanged = length != shownLength_ || now.bank != view_.bank ||
                              std::memcmp(steps.data(), shownSteps_.data(), steps.size()) != 0;
    if (!stepsChanged && now == view_ && module_ == shownModule_) return;
    if (stepsChanged) {
        shownSteps_ = steps;
        shownLength_ = length;
        model_.setListing(steps, length);
    }
    view_ = now;
    shownModule_ = module_;
    // While a program runs only the marked row moves; the caption stays as it is.
    const QString text = caption();
    if (text != caption_->text()) caption_->setText(text);
    model_.setMarker(now.marker);
    if (now.marker >= 0) {
        table_->scrollTo(model_.index(now.marker, 0), QAbstractItemView::EnsureVisible);
    }
    table_->viewport()->setCursor(now.editable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

}  // namespace korvelce
