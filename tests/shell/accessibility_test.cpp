// What a screen reader finds on the face: the display's text as the face's value, following
// the display (the change events themselves need a running accessibility bridge, which the
// offscreen platform has not); a button for every key named by its legend, which its press action
// taps; the menu button, which Tab reaches and the keyboard opens.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QMenu>
#include <QTest>
#include <memory>
#include <set>
#include <vector>

#include "engine/calc_engine.h"
#include "shell/main_window.h"
#include "support/face_window.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

class Accessible : public ::testing::Test {
  protected:
    void SetUp() override {
        window = test::faceWindow(engine, settings);
        ASSERT_NE(window, nullptr);
        face = QAccessible::queryAccessibleInterface(window.get());
        ASSERT_NE(face, nullptr);
    }
    QString value() const { return face->text(QAccessible::Value); }

    CalcEngine engine;
    Settings settings;
    std::unique_ptr<MainWindow> window;
    QAccessibleInterface* face = nullptr;
};

TEST_F(Accessible, TheValueFollowsTheDisplay) {
    EXPECT_EQ(value(), QStringLiteral("0"));
    QTest::keyClicks(window.get(), QStringLiteral("12"));
    EXPECT_EQ(value(), QStringLiteral("12"));
    QTest::keyClicks(window.get(), QStringLiteral("+3="));
    EXPECT_EQ(value(), QStringLiteral("15"));
    // An exponent, an error, learn mode.
    QTest::keyClicks(window.get(), QStringLiteral("1.5X12"));
    QTest::keyClick(window.get(), Qt::Key_N);  // +/- in the exponent
    EXPECT_EQ(value(), QStringLiteral("1.5e-12"));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClicks(window.get(), QStringLiteral("0\\"));  // 1/x of 0
    EXPECT_TRUE(value().endsWith(QStringLiteral(", error"))) << value().toStdString();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClicks(window.get(), QStringLiteral("K23"));
    EXPECT_EQ(value(), QStringLiteral("step 002, code 00"));
    QTest::keyClick(window.get(), Qt::Key_K);
    // The display part says the same.
    QAccessibleInterface* display = face->child(0);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->text(QAccessible::Value), value());
    EXPECT_EQ(display->role(), QAccessible::StaticText);
}

TEST_F(Accessible, EveryKeyIsAButtonNamedByItsLegend) {
    std::set<QString> names;
    int buttons = 0;
    for (int i = 0; i < face->childCount(); ++i) {
        QAccessibleInterface* child = face->child(i);
        ASSERT_NE(child, nullptr) << i;
        EXPECT_EQ(face->indexOfChild(child), i);
        EXPECT_EQ(child->parent(), face);
        if (child->role() != QAccessible::Button) continue;
        ++buttons;
        const QString name = child->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << i;
        names.insert(name);
        // On screen where the key is drawn (the menu button is a widget, which has no place
        // on the screen while the window is hidden).
        if (i <= kGridColumns * kGridRows) {
            EXPECT_TRUE(child->rect().isValid()) << name.toStdString();
        }
    }
    EXPECT_EQ(buttons, kGridColumns * kGridRows + 1);  // the keys and the menu button
    EXPECT_EQ(names.size(), static_cast<std::size_t>(buttons)) << "every name told apart";
    for (const char* expected : {"STO", "2nd", "7", "\u221ax", "y\u02e3", "R/S", "Menu"})
        EXPECT_EQ(names.count(QString::fromUtf8(expected)), 1u) << expected;

    // A key's description gives its 2nd function and PC keys; its action taps it.
    QAccessibleInterface* sqrt = face->child(1 + 2 * kGridColumns + 3);
    EXPECT_EQ(sqrt->text(QAccessible::Name), QStringLiteral("\u221ax"));
    EXPECT_TRUE(sqrt->text(QAccessible::Description).contains(QStringLiteral("COS")));
    QAccessibleInterface* nine = face->child(1 + 5 * kGridColumns + 3);
    QAccessibleActionInterface* press = nine->actionInterface();
    ASSERT_NE(press, nullptr);
    EXPECT_EQ(press->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
              QStringList{QStringLiteral("9")});
    press->doAction(QAccessibleActionInterface::pressAction());
    sqrt->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(engine.displayText(), "3.");
    // The part under a point of the screen.
    const QPoint onNine = window->mapToGlobal(window->keyRectInWidget(3, 5).center());
    EXPECT_EQ(face->childAt(onNine.x(), onNine.y()), nine);
}

TEST_F(Accessible, TheMenuButtonIsReachedAndOpenedFromTheKeyboard) {
    QAbstractButton* menu = window->menuButton();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(window->nextInFocusChain(), menu);
    EXPECT_EQ(menu->geometry(), window->menuButtonRect());
    QTest::keyClick(menu, Qt::Key_Space);
    EXPECT_TRUE(window->popupMenu()->isVisible());
    window->popupMenu()->hide();
    // The face's own key for it too.
    QTest::keyClick(window.get(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(window->popupMenu()->isVisible());
    window->popupMenu()->hide();
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(menu);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), QStringLiteral("Menu"));
}

}  // namespace
}  // namespace korvelce
