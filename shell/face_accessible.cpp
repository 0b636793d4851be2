#include "shell/face_accessible.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>
#include <vector>

#include "shell/main_window.h"

namespace korvelce {

namespace {

// The readable name of a key: its legend as printed, a superscript written as one.
QString spokenLegend(FaceKey key) {
    const KeyLegend legend = keyLegend(key.column, key.row);
    QString text = faceLegend(key.second ? legend.second : legend.main);
    text.replace(QStringLiteral("^x"), QStringLiteral("\u02e3"));
    return text;
}

QRect onScreen(const QWidget& widget, const QRect& rect) {
    return {widget.mapToGlobal(rect.topLeft()), rect.size()};
}

// A part of the face without a widget of its own.
class FacePart : public QAccessibleInterface {
  public:
    explicit FacePart(MainWindow* face) : face_(face) {}
    bool isValid() const override { return !face_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return face_ ? face_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(face_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

  protected:
    QPointer<MainWindow> face_;
};

class DisplayAccessible : public FacePart {
  public:
    using FacePart::FacePart;
    QString text(QAccessible::Text t) const override {
        if (!face_) return {};
        switch (t) {
            case QAccessible::Name:
                return QStringLiteral("Display");
            case QAccessible::Value:
                return face_->accessibleDisplayText();
            default:
                return {};
        }
    }
    QRect rect() const override {
        return face_ ? onScreen(*face_, face_->displayRectInWidget()) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.readOnly = true;
        return state;
    }
};

class KeyAccessible : public FacePart, public QAccessibleActionInterface {
  public:
    KeyAccessible(MainWindow* face, int column, int row)
        : FacePart(face), column_(column), row_(row) {}
    QString text(QAccessible::Text t) const override {
        if (!face_) return {};
        switch (t) {
            case QAccessible::Name:
                return spokenLegend({column_, row_, false});
            case QAccessible::Description:
                return face_->keyTooltip(column_, row_);
            default:
                return {};
        }
    }
    QRect rect() const override {
        return face_ ? onScreen(*face_, face_->keyRectInWidget(column_, row_)) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (face_) {
            const GridHit held = face_->pressedKey();
            state.pressed = held.column == column_ && held.row == row_;
            state.invisible = !face_->isVisible();
        }
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (face_ && name == pressAction()) face_->tapKey(column_, row_);
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (!face_ || name != pressAction()) return {};
        return face_->keyMap().pcKeysFor({column_, row_, false});
    }

  private:
    int column_;
    int row_;
};

constexpr int kKeys = kGridColumns * kGridRows;

class FaceAccessible : public QAccessibleWidget {
  public:
    explicit FaceAccessible(MainWindow* face)
        : QAccessibleWidget(face, QAccessible::Client, QStringLiteral("Korvelce calculator")) {}

    ~FaceAccessible() override {
        for (const QAccessible::Id id : parts_)
            QAccessible::deleteAccessibleInterface(id);
    }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return QStringLiteral("Korvelce calculator");
            case QAccessible::Value:
                return face()->accessibleDisplayText();
            case QAccessible::Description:
                return QStringLiteral(
                    "The calculator's keys; F1 shows the PC key of each, F2 is 2nd.");
            default:
                return QAccessibleWidget::text(t);
        }
    }

    // The display, the keys row by row, then the face's child widgets (the menu button).
    int childCount() const override { return 1 + kKeys + QAccessibleWidget::childCount(); }

    QAccessibleInterface* child(int index) const override {
        if (index < 0) return nullptr;
        if (index <= kKeys) return part(index);
        return QAccessibleWidget::child(index - 1 - kKeys);
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child == nullptr) return -1;
        for (std::size_t i = 0; i < parts_.size(); ++i)
            if (QAccessible::accessibleInterface(parts_[i]) == child) return static_cast<int>(i);
        const int widget = QAccessibleWidget::indexOfChild(child);
        return widget < 0 ? -1 : widget + 1 + kKeys;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint point = face()->mapFromGlobal(QPoint(x, y));
        if (face()->menuButtonRect().contains(point))
            return QAccessible::queryAccessibleInterface(face()->menuButton());
        const GridHit hit = face()->keyAt(point);
        if (hit.column >= 0) return part(1 + hit.row * kGridColumns + hit.column);
        if (face()->displayRectInWidget().contains(point)) return part(0);
        return nullptr;
    }

  private:
    MainWindow* face() const { return static_cast<MainWindow*>(widget()); }

    // The interfaces of the display and the keys, made when first asked for; the cache owns
    // them, this interface removes them with itself.
    QAccessibleInterface* part(int index) const {
        if (parts_.empty()) {
            parts_.push_back(
                QAccessible::registerAccessibleInterface(new DisplayAccessible(face())));
            for (int row = 0; row < kGridRows; ++row)
                for (int column = 0; column < kGridColumns; ++column)
                    parts_.push_back(QAccessible::registerAccessibleInterface(
                        new KeyAccessible(face(), column, row)));
        }
        return QAccessible::accessibleInterface(parts_[static_cast<std::size_t>(index)]);
    }

    mutable std::vector<QAccessible::Id> parts_;
};

QAccessibleInterface* faceFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(MainWindow::staticMetaObject.className()) && object != nullptr &&
        object->isWidgetType())
        return new FaceAccessible(static_cast<MainWindow*>(object));
    return nullptr;
}

}  // namespace

void installFaceAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(faceFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace korvelce
