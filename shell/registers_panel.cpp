#include "shell/registers_panel.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "decimal/number_text.h"
#include "files/pending_text.h"
#include "files/state_text.h"

namespace korvelce {

namespace {

QString valueText(const DecNumber& value, int fixDigits, int displayFormat) {
    return QString::fromStdString(numberText(value, fixDigits, displayFormat).text);
}

}  // namespace

void RegisterModel::update(const std::array<DecNumber, kRegisters>& registers, int fixDigits,
                           int displayFormat, bool nonZeroOnly) {
    const bool reformat = !filled_ || fixDigits != fixDigits_ || displayFormat != displayFormat_;
    std::vector<int> changed;
    for (int r = 0; r < kRegisters; ++r) {
        const auto i = static_cast<std::size_t>(r);
        if (!reformat && sameRepresentation(values_[i], registers[i])) continue;
        values_[i] = registers[i];
        const QString text = valueText(registers[i], fixDigits, displayFormat);
        if (text != texts_[i]) {
            texts_[i] = text;
            changed.push_back(r);
        }
    }
    fixDigits_ = fixDigits;
    displayFormat_ = displayFormat;
    filled_ = true;

    std::vector<int> rows;
    for (int r = 0; r < kRegisters; ++r)
        if (!nonZeroOnly || !values_[static_cast<std::size_t>(r)].isZero()) rows.push_back(r);
    if (rows != shown_ || nonZeroOnly != nonZeroOnly_) {
        beginResetModel();
        shown_ = std::move(rows);
        nonZeroOnly_ = nonZeroOnly;
        endResetModel();
        return;
    }
    for (const int r : changed) {
        const auto at = std::lower_bound(shown_.begin(), shown_.end(), r);
        if (at == shown_.end() || *at != r) continue;
        const int row = static_cast<int>(at - shown_.begin());
        emit dataChanged(index(row, 1), index(row, 1));
    }
}

int RegisterModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int RegisterModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant RegisterModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int reg = registerAt(index.row());
    const QString name = QStringLiteral("R%1").arg(reg, 2, 10, QLatin1Char('0'));
    switch (role) {
        case Qt::DisplayRole:
            return index.column() == 0 ? name : textOf(reg);
        case Qt::AccessibleTextRole:
            return name + QStringLiteral(": ") + textOf(reg);
        case Qt::TextAlignmentRole:
            return index.column() == 0 ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                       : int(Qt::AlignRight | Qt::AlignVCenter);
        case Qt::ForegroundRole:
            if (index.column() == 1 && values_[static_cast<std::size_t>(reg)].isZero())
                return QColor(0x90, 0x90, 0x90);
            return {};
        default:
            return {};
    }
}

QVariant RegisterModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == 0 ? QStringLiteral("Register") : QStringLiteral("Value");
}

bool RegistersPanel::State::operator==(const State& other) const {
    auto same = [](const auto& a, const auto& b) {
        return std::equal(a.begin(), a.end(), b.begin(), sameRepresentation);
    };
    return sameRepresentation(t, other.t) && flags == other.flags && angleUnit == other.angleUnit &&
           fixDigits == other.fixDigits && displayFormat == other.displayFormat &&
           returnDepth == other.returnDepth && level == other.level &&
           openParens == other.openParens && same(values, other.values) && ops == other.ops &&
           parens == other.parens;
}

RegistersPanel::State RegistersPanel::stateOf(const CalcEngine& engine) {
    State state;
    state.t = engine.tRegister;
    state.flags = engine.userFlags;
    state.angleUnit = engine.angleUnit;
    state.fixDigits = engine.fixDigits;
    state.displayFormat = engine.displayFormat;
    state.returnDepth = engine.returnDepth;
    state.level = engine.stack.level;
    state.openParens = engine.stack.openParens;
    // Only the slots below the display value wait; the display value itself is on the face.
    const int level = std::clamp(engine.stack.level, 0, PendingStack::kSlots - 1);
    for (int i = 0; i <= level; ++i) {
        const auto s = static_cast<std::size_t>(i);
        if (i < level) {
            state.values[s] = engine.stack.values[s];
            state.ops[s] = engine.stack.ops[s];
        }
        state.parens[s] = engine.stack.parenCount[s];
    }
    return state;
}

QString RegistersPanel::flagsText(const CalcEngine& engine, bool rich) {
    if (!rich) return QString::fromStdString(korvelce::flagsText(engine));
    QStringList parts;
    for (int f = 0; f < kFlags; ++f) {
        const bool set = engine.userFlags[static_cast<std::size_t>(f)] != 0;
        parts << (set ? QStringLiteral("<b style=\"background-color:#2b2b2b; color:#ffffff\">"
                                       "%1</b>")
                      : QStringLiteral("<span style=\"color:#a0a0a0\">%1</span>"))
                     .arg(f);
    }
    return parts.join(QStringLiteral("&nbsp;"));
}

QString RegistersPanel::formatText(const CalcEngine& engine) {
    return QString::fromStdString(korvelce::formatText(engine));
}

QString RegistersPanel::angleText(const CalcEngine& engine) {
    const std::string_view name = angleName(engine.angleUnit);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString RegistersPanel::pendingText(const CalcEngine& engine) {
    return QString::fromStdString(korvelce::pendingText(engine));
}

RegistersPanel::RegistersPanel(const CalcEngine& engine, QWidget* parent)
    : QWidget(parent), engine_(engine) {
    setObjectName(QStringLiteral("registersPanelContents"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    auto line = [&](const QString& name, QLabel*& label) {
        label = new QLabel(this);
        label->setObjectName(name);
        label->setFont(fixed);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setWordWrap(true);
        form->addRow(name, label);
    };
    line(QStringLiteral("T"), tValue_);
    line(QStringLiteral("Flags"), flags_);
    flags_->setTextFormat(Qt::RichText);
    line(QStringLiteral("Angle"), angle_);
    line(QStringLiteral("Format"), format_);
    line(QStringLiteral("Subroutines"), depth_);
    line(QStringLiteral("Pending"), pending_);
    layout->addLayout(form);

    nonZero_ = new QCheckBox(QStringLiteral("Only registers not zero"), this);
    // The keyboard stays with the face: the panel is read with the mouse.
    nonZero_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(nonZero_);
    connect(nonZero_, &QCheckBox::toggled, this, [this] { refresh(); });

    table_ = new QTableView(this);
    table_->setModel(&model_);
    table_->setFont(fixed);
    table_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setStretchLastSection(true);
    const int digit = table_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    table_->setColumnWidth(0, digit * 9);
    table_->setAccessibleName(QStringLiteral("Data registers"));
    layout->addWidget(table_, 1);
    setMinimumWidth(digit * 26);
    refresh();
}

void RegistersPanel::setNonZeroOnly(bool on) {
    nonZero_->setChecked(on);
}

bool RegistersPanel::nonZeroOnly() const {
    return nonZero_->isChecked();
}

QString RegistersPanel::stateText(const QString& name) const {
    const QLabel* label = findChild<QLabel*>(name);
    if (label == nullptr) return {};
    // The flags are drawn as rich text; their plain words are the label's description.
    if (label == flags_) return flags_->accessibleDescription();
    return label->text();
}

void RegistersPanel::refresh() {
    model_.update(engine_.registers, engine_.fixDigits, engine_.displayFormat,
                  nonZero_->isChecked());
    const State now = stateOf(engine_);
    if (stateShown_ && now == shown_) return;
    shown_ = now;
    stateShown_ = true;
    tValue_->setText(valueText(engine_.tRegister, engine_.fixDigits, engine_.displayFormat));
    flags_->setText(flagsText(engine_, true));
    flags_->setAccessibleDescription(flagsText(engine_, false));
    angle_->setText(angleText(engine_));
    format_->setText(formatText(engine_));
    depth_->setText(QString::number(engine_.returnDepth));
    pending_->setText(pendingText(engine_));
}

}  // namespace korvelce
