// The face at any size: clicks land on the same key at every zoom and device pixel ratio, the
// pictures are drawn at the size shown, the case has no seam around the skin, zoom steps and the
// window's remembered place and size.
//
// The scaled-face tests run a second time with QT_SCALE_FACTOR=2 (see tests/CMakeLists.txt),
// where every widget has a device pixel ratio of 2. The zoom steps do not: the offscreen screen,
// halved in logical pixels, is too small for them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/calc_engine.h"
#include "shell/face_drawing.h"
#include "shell/main_window.h"
#include "shell/window_placement.h"
#include "support/face_window.h"

namespace korvelce {
namespace {

// The ratio the environment asks for: 2 in the second run.
double expectedRatio() {
    return qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
               ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
               : 1.0;
}

QString ratioSuffix() {
    return expectedRatio() == 1.0 ? QString() : QStringLiteral("-dpr%1").arg(expectedRatio());
}

// Where the centre of a key lies in a widget of the given size, computed from the layout
// table alone: the handheld screen scaled to fit and centred, the skin centred across it one
// handheld pixel below its top.
QPointF expectedKeyCentre(int mode, QSize widget, int column, int row) {
    const Layout& l = layoutFor(mode);
    const QSize base = test::handheldSize(mode);
    const double zoom = std::min(static_cast<double>(widget.width()) / base.width(),
                                 static_cast<double>(widget.height()) / base.height());
    const QPointF face((widget.width() - base.width() * zoom) / 2,
                       (widget.height() - base.height() * zoom) / 2);
    const QPointF onHandheld((base.width() - l.skinWidth) / 2.0 +
                                 l.keyColumns[static_cast<std::size_t>(column)] + l.keyWidth / 2.0,
                             1.0 + l.keyRows[static_cast<std::size_t>(row)] + l.keyHeight / 2.0);
    return face + onHandheld * zoom;
}

struct Size {
    int mode;
    double zoom;
    double widthStretch;  // > 1: a window wider than the face, which is then centred
};

class ScaledFace : public ::testing::TestWithParam<Size> {
  protected:
    void SetUp() override {
        window = test::faceWindow(engine, settings, GetParam().mode);
        ASSERT_NE(window, nullptr);
        const QSize base = test::handheldSize(GetParam().mode);
        widgetSize = QSize(
            static_cast<int>(std::lround(base.width() * GetParam().zoom * GetParam().widthStretch)),
            static_cast<int>(std::lround(base.height() * GetParam().zoom)));
        window->resize(widgetSize);
    }
    CalcEngine engine;
    Settings settings;
    std::unique_ptr<MainWindow> window;
    QSize widgetSize;
};

TEST_P(ScaledFace, ClicksAtScaledCentresHitTheirKeys) {
    ASSERT_EQ(window->devicePixelRatioF(), expectedRatio());
    EXPECT_NEAR(window->zoom(), GetParam().zoom, 0.01);
    for (int row = 0; row < kGridRows; ++row) {
        for (int column = 0; column < kGridColumns; ++column) {
            const QPoint at = expectedKeyCentre(GetParam().mode, widgetSize, column, row).toPoint();
            QTest::mousePress(window.get(), Qt::LeftButton, {}, at);
            const GridHit held = window->pressedKey();
            EXPECT_EQ(held.column, column) << "row " << row << " at " << at.x() << "," << at.y();
            EXPECT_EQ(held.row, row) << "column " << column;
            // The key is let go off the face, so the engine is left alone.
            window->pressAt(QPointF(-10, -10));
            QTest::mouseRelease(window.get(), Qt::LeftButton, {}, at);
        }
    }
    // And the keys act: 1 + 2 = shows 3.
    for (const auto& [column, row] : {std::pair{1, 7}, {4, 7}, {2, 7}, {4, 8}}) {
        QTest::mouseClick(window.get(), Qt::LeftButton, {},
                          expectedKeyCentre(GetParam().mode, widgetSize, column, row).toPoint());
    }
    EXPECT_EQ(engine.displayText(), "3.");
    // A point between two keys hits none.
    const Layout& l = layoutFor(GetParam().mode);
    const QPointF a = expectedKeyCentre(GetParam().mode, widgetSize, 0, 0);
    const QPointF b = expectedKeyCentre(GetParam().mode, widgetSize, 0, 1);
    const double gapMiddle = (a.y() + b.y()) / 2;
    ASSERT_GT(l.keyRows[1] - l.keyRows[0], l.keyHeight + 2);
    EXPECT_EQ(window->keyAt(QPointF(a.x(), gapMiddle)).row, -1);
}

// The face is drawn at the size shown: its pictures are those the drawing makes at the
// widget's scale in device pixels, and at 100 % they are the loaded pictures themselves.
TEST_P(ScaledFace, PicturesAreDrawnAtTheScaleShown) {
    const double scale = window->zoom() * window->devicePixelRatioF();
    const FaceImages& shown = window->faceImages();
    EXPECT_NEAR(shown.scale, scale, 1e-9);
    const Layout expected = scaledLayout(layoutFor(GetParam().mode), shown.scale);
    EXPECT_EQ(shown.skin.size(), QSize(expected.skinWidth, expected.skinHeight));
    EXPECT_EQ(shown.glyphs.size(), QSize(expected.glyphStripWidth, expected.displayHeight));
    EXPECT_EQ(window->displayBuffer().size(),
              QSize(expected.displayWidth(), expected.displayHeight));
    // The grabbed window shows the skin pixel for pixel where the geometry puts it.
    const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), widgetSize * window->devicePixelRatioF());
    const QPoint origin = window->skinOriginInPixels();
    const QRect key = keyRect(expected, 2, 3).translated(origin);  // RCL, never pressed here
    EXPECT_EQ(shot.copy(key),
              shown.skin.convertToFormat(QImage::Format_RGB32).copy(key.translated(-origin)));
}

// The case's colour runs on around the skin: no edge where the skin meets the surround.
TEST_P(ScaledFace, NoSeamAroundTheSkin) {
    const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint origin = window->skinOriginInPixels();
    const QSize skin = window->faceImages().skin.size();
    auto distance = [&](QPoint a, QPoint b) {
        const QRgb p = shot.pixel(a), q = shot.pixel(b);
        return std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
               std::abs(qBlue(p) - qBlue(q));
    };
    // Along both sides, row by row, and below the bottom edge, including the corners.
    for (int y = 0; y < skin.height(); y += 7) {
        if (origin.x() > 0) {
            EXPECT_LE(distance(origin + QPoint(-1, y), origin + QPoint(0, y)), 6) << "left " << y;
        }
        if (origin.x() + skin.width() < shot.width()) {
            EXPECT_LE(
                distance(origin + QPoint(skin.width(), y), origin + QPoint(skin.width() - 1, y)), 6)
                << "right " << y;
        }
    }
    const int below = origin.y() + skin.height();
    ASSERT_LT(below, shot.height());
    for (const int x : {0, 1, 2, skin.width() / 2, skin.width() - 2, skin.width() - 1})
        EXPECT_LE(distance(QPoint(origin.x() + x, below), QPoint(origin.x() + x, below - 1)), 6)
            << "below " << x;
}

TEST_P(ScaledFace, WriteScreenshot) {
    if (GetParam().widthStretch != 1.0) GTEST_SKIP() << "a screenshot at each size without stretch";
    for (const auto& [column, row] : {std::pair{0, 1}, {1, 7}, {2, 8}, {1, 7}, {3, 2}})
        QTest::mouseClick(window.get(), Qt::LeftButton, {},
                          expectedKeyCentre(GetParam().mode, widgetSize, column, row).toPoint());
    // The 8 key held down, so that the pressed picture shows.
    QTest::mousePress(window.get(), Qt::LeftButton, {},
                      expectedKeyCentre(GetParam().mode, widgetSize, 2, 5).toPoint());
    QDir().mkpath(QStringLiteral(KORVELCE_SCREENSHOT_DIR));
    const QString path = QStringLiteral(KORVELCE_SCREENSHOT_DIR "/face-mode%1-zoom%2%3.png")
                             .arg(GetParam().mode)
                             .arg(GetParam().zoom)
                             .arg(ratioSuffix());
    EXPECT_TRUE(window->grab().toImage().save(path)) << path.toStdString();
    window->releaseAt();
}

std::string sizeName(const ::testing::TestParamInfo<Size>& info) {
    std::string name = "mode" + std::to_string(info.param.mode) + "_zoom" +
                       std::to_string(static_cast<int>(std::lround(info.param.zoom * 100)));
    if (info.param.widthStretch != 1.0) name += "_wide";
    return name;
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScaledFace,
                         ::testing::Values(Size{0, 0.75, 1.0}, Size{0, 1.0, 1.0}, Size{0, 1.5, 1.0},
                                           Size{0, 2.37, 1.0}, Size{1, 0.75, 1.0},
                                           Size{1, 1.0, 1.0}, Size{1, 1.5, 1.0}, Size{1, 2.37, 1.0},
                                           Size{2, 0.75, 1.0}, Size{2, 1.0, 1.0}, Size{2, 1.5, 1.0},
                                           Size{2, 2.37, 1.0}, Size{2, 1.5, 1.8},
                                           Size{0, 2.0, 1.4}),
                         sizeName);

// The pictures drawn at scale 1 are the build-time pictures beside the executable and in its
// resources: one drawing for both.
TEST(FaceDrawing, ScaleOneIsTheBuildTimePictures) {
    for (const int mode : {0, 1, 2}) {
        FacePictures loaded;
        QString failed;
        ASSERT_TRUE(loadFacePictures(mode, loaded, failed));
        const FaceImages drawn = drawFace(mode, 1.0);
        auto same = [](const QImage& a, const QImage& b) {
            return a.convertToFormat(QImage::Format_RGB32) ==
                   b.convertToFormat(QImage::Format_RGB32);
        };
        EXPECT_TRUE(same(drawn.skin, loaded.skin)) << mode;
        if (mode != 0) {
            EXPECT_TRUE(same(drawn.pressed, loaded.pressed)) << mode;
        }
        EXPECT_TRUE(same(drawn.glyphs, loaded.glyphs)) << mode;
        EXPECT_TRUE(same(drawn.indicators, loaded.indicators)) << mode;
        EXPECT_TRUE(same(drawn.menuButton, loaded.menuButton)) << mode;
    }
}

// The largest difference of one colour channel between two pictures of the same size.
int largestDifference(const QImage& a, const QImage& b) {
    const QImage p = a.convertToFormat(QImage::Format_RGB32);
    const QImage q = b.convertToFormat(QImage::Format_RGB32);
    if (p.size() != q.size()) return 256;
    int largest = 0;
    for (int y = 0; y < p.height(); ++y) {
        for (int x = 0; x < p.width(); ++x) {
            const QRgb u = p.pixel(x, y), v = q.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(u) - qRed(v)),
                                std::abs(qGreen(u) - qGreen(v)), std::abs(qBlue(u) - qBlue(v))});
        }
    }
    return largest;
}

// A key drawn pressed on its own is that key of the whole pressed picture (up to the
// rounding of antialiased edges drawn at another offset).
TEST(FaceDrawing, PressedKeysAloneMatchThePressedPicture) {
    for (const auto& [mode, scale] : {std::pair{2, 1.5}, {0, 2.37}, {1, 0.75}}) {
        const FaceImages whole = drawFace(mode, scale, true);
        const FaceImages lazy = drawFace(mode, scale, false);
        EXPECT_TRUE(lazy.pressed.isNull());
        EXPECT_EQ(lazy.skin, whole.skin);
        for (int row = 0; row < kGridRows; ++row) {
            for (int column = 0; column < kGridColumns; ++column) {
                const QImage key = drawPressedKey(lazy, column, row);
                const QRect place = keyRect(whole.layout, column, row);
                EXPECT_LE(largestDifference(key, whole.pressed.copy(place)), 2)
                    << mode << " " << scale << " " << column << "," << row;
                EXPECT_GT(largestDifference(key, whole.skin.copy(place)), 16);
            }
        }
    }
}

// Scaled layouts keep every key apart and inside the skin, and the strips' glyphs in order.
TEST(FaceDrawing, ScaledLayoutsStayConsistent) {
    for (const int mode : {0, 1, 2}) {
        for (const double scale : {0.5, 0.75, 1.25, 1.5, 2.0, 2.37, 3.0, 4.5}) {
            const Layout l = scaledLayout(layoutFor(mode), scale);
            for (std::size_t c = 1; c < l.keyColumns.size(); ++c)
                EXPECT_GT(l.keyColumns[c], l.keyColumns[c - 1] + l.keyWidth) << mode << scale;
            for (std::size_t r = 1; r < l.keyRows.size(); ++r)
                EXPECT_GT(l.keyRows[r], l.keyRows[r - 1] + l.keyHeight) << mode << scale;
            EXPECT_LE(l.keyColumns[4] + l.keyWidth, l.skinWidth);
            EXPECT_LE(l.keyRows[8] + l.keyHeight, l.skinHeight);
            EXPECT_LE(l.digitGlyphX(9) + l.cellWidth, l.bracketGlyphX);
            EXPECT_LE(l.bracketGlyphX + l.cellWidth, l.glyphStripWidth);
            EXPECT_LE(l.secondGlyphX + l.secondWidth, l.invGlyphX);
            EXPECT_LE(l.invGlyphX + l.invWidth, l.angleGlyphX);
            EXPECT_LE(l.angleGlyphX + 3 * l.angleWidth, l.indicatorStripWidth);
            EXPECT_NEAR(l.skinHeight, layoutFor(mode).skinHeight * scale, 1.0);
        }
    }
}

TEST(Zoom, StepsFitsAndKeys) {
    CalcEngine engine;
    Settings settings;
    auto window = test::faceWindow(engine, settings, 0);
    ASSERT_NE(window, nullptr);
    const double ratio = window->devicePixelRatioF();
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
    window->setZoom(1.5);
    EXPECT_EQ(window->size(), QSize(360, 480));
    EXPECT_DOUBLE_EQ(window->zoom(), 1.5);
    window->zoomOut();
    EXPECT_EQ(window->size(), QSize(300, 400));  // 1.25
    QTest::keyClick(window.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(window->size(), QSize(240, 320));
    QTest::keyClick(window.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(window->size(), QSize(300, 400));
    QTest::keyClick(window.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(window->size(), QSize(240, 320));
    // Fit: as large as the screen takes, proportions kept.
    window->zoomToFit();
    const double fit = std::min(room.width() / 240.0, room.height() / 320.0);
    EXPECT_NEAR(window->zoom(), fit, 0.01);
    EXPECT_TRUE(window->size().width() <= room.width() && window->size().height() <= room.height());
    // Beyond the screen a zoom is cut to what fits.
    window->setZoom(20);
    EXPECT_NEAR(window->zoom(), fit, 0.01);
    EXPECT_EQ(ratio, expectedRatio());
}

TEST(Placement, FirstSizeIsThreeQuartersOfTheScreenHeight) {
    EXPECT_EQ(firstWindowSize(QSize(480, 800), QRect(0, 0, 1920, 1080)), QSize(486, 810));
    EXPECT_EQ(firstWindowSize(QSize(240, 320), QRect(0, 0, 1920, 1080)), QSize(608, 810));
    // A narrow screen limits by width.
    EXPECT_EQ(firstWindowSize(QSize(480, 800), QRect(0, 0, 300, 1080)), QSize(300, 500));
}

TEST(Placement, APositionOffEveryScreenIsIgnored) {
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QSize size(480, 800);
    const struct {
        QPoint saved;
        bool usable;
    } rows[] = {
        {{100, 100}, true},    {{2500, 500}, true},    // on either screen
        {{-400, 50}, true},    {{-470, 50}, false},    // 80 or 10 pixels of its top on screen
        {{100, 1070}, false},  {{100, 1064}, true},    // its top strip below the bottom edge
        {{3300, 100}, false},  {{100, -5000}, false},  // far off
        {{3150, 1010}, false}, {{1900, 500}, true},    // a corner of the second screen; the seam
    };
    for (const auto& row : rows) {
        const auto position = usablePosition(row.saved, size, screens);
        EXPECT_EQ(position.has_value(), row.usable) << row.saved.x() << "," << row.saved.y();
        if (position) {
            EXPECT_EQ(*position, row.saved);
        }
    }
}

TEST(Placement, SavedSizeAndPlaceComeBack) {
    CalcEngine engine;
    Settings settings;
    auto window = test::faceWindow(engine, settings);
    ASSERT_NE(window, nullptr);
    settings.left = 40;
    settings.top = 30;
    settings.width = 300;
    settings.height = 500;
    placeWindow(*window, settings, test::handheldSize(2), window->minimumSize());
    EXPECT_EQ(window->size(), QSize(300, 500));
    EXPECT_EQ(window->pos(), QPoint(40, 30));
    window->move(60, 20);
    window->resize(360, 600);
    Settings closed;
    rememberPlacement(*window, closed);
    EXPECT_EQ(closed.left, 60);
    EXPECT_EQ(closed.top, 20);
    EXPECT_EQ(closed.width, 360);
    EXPECT_EQ(closed.height, 600);

    // Off every screen, and no size saved: the first size, centred on the screen.
    Settings lost;
    lost.left = -20000;
    placeWindow(*window, lost, test::handheldSize(2), window->minimumSize());
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window->size(), firstWindowSize(test::handheldSize(2), available));
    EXPECT_LE(std::abs(window->QWidget::geometry().center().x() - available.center().x()), 1);
}

}  // namespace
}  // namespace korvelce
