// The shared widgets: picture buttons, the shape box, the balloon tip and integer-only typing.

#include <memory>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include "gui/ui/balloon_tip.h"
#include "gui/ui/integer_input.h"
#include "gui/ui/kwic_delegate.h"
#include "gui/ui/picture_button.h"
#include "gui/ui/shape_box.h"
#include "gui/ui/window_builder.h"

using namespace lantaro::ui;

class WidgetsTest : public QObject {
  Q_OBJECT

 private slots:
  void integerBoxesIgnoreTypedNonDigits();
  void integerBoxesAcceptPaste();
  void otherBoxesAreNotFiltered();
  void pictureButtonGreysWhenDisabled();
  void pictureButtonFramesOnlyWhileHoveredOrPressed();
  void pictureButtonClicksAndShowsHint();
  void shapeBoxDrawsRaisedOutlineAndClipsChildren();
  void balloonTipShowsAndHides();
  void narrowKwicRowsKeepTheCitation();
};

void WidgetsTest::integerBoxesIgnoreTypedNonDigits() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  window->open();
  for (const char* name : {"编辑框_左字数", "编辑框_右字数"}) {
    auto* box = window->control<QLineEdit>(name);
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, "1a2 b-3.x");
    QCOMPARE(box->text(), QStringLiteral("12-3"));
    // Editing keys still work.
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(box->text(), QStringLiteral("12-"));
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(box->text(), QStringLiteral("2-"));
    // A full-width digit is not one of the allowed characters.
    QKeyEvent wide(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("９"));
    QApplication::sendEvent(box, &wide);
    QCOMPARE(box->text(), QStringLiteral("2-"));
  }
}

void WidgetsTest::integerBoxesAcceptPaste() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  window->open();
  auto* box = window->control<QLineEdit>("编辑框_左字数");
  box->setFocus();
  box->clear();
  QApplication::clipboard()->setText(QStringLiteral("ab12"));
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(box->text(), QStringLiteral("ab12"));
  box->selectAll();
  box->paste();
  QCOMPARE(box->text(), QStringLiteral("ab12"));
  // The program may set any text.
  box->setText(QStringLiteral("二十"));
  QCOMPARE(box->text(), QStringLiteral("二十"));
}

void WidgetsTest::otherBoxesAreNotFiltered() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  window->open();
  for (const char* name : {"编辑框_字数", "编辑框_关键词"}) {
    auto* box = window->control<QLineEdit>(name);
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, "a1 b");
    QCOMPARE(box->text(), QStringLiteral("a1 b"));
  }
}

void WidgetsTest::pictureButtonGreysWhenDisabled() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  window->open();
  auto* button = window->control<PictureButton>("超级按钮_句子提取");
  QVERIFY(button->isEnabled());
  const QImage enabled = button->grab().toImage();
  button->setEnabled(false);
  QVERIFY(!button->isEnabled());
  const QImage disabled = button->grab().toImage();
  QCOMPARE(disabled.size(), enabled.size());
  QVERIFY(disabled != enabled);
  // Greyed: the green of the speech bubble is gone from the disabled picture.
  auto greenest = [](const QImage& image) {
    int best = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        best = std::max(best, c.green() - std::max(c.red(), c.blue()));
      }
    }
    return best;
  };
  QVERIFY(greenest(enabled) > 60);
  QVERIFY(greenest(disabled) < 20);
  // Clicks do nothing while disabled.
  QSignalSpy clicked(button, &QAbstractButton::clicked);
  QTest::mouseClick(button, Qt::LeftButton);
  QCOMPARE(clicked.count(), 0);
}

void WidgetsTest::pictureButtonFramesOnlyWhileHoveredOrPressed() {
  PictureButton button;
  button.setText(QStringLiteral("测试"));
  button.resize(80, 80);
  auto corner = [&button] { return button.grab().toImage().pixelColor(0, 0); };
  const QColor at_rest = corner();
  QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
  QApplication::sendEvent(&button, &enter);
  const QColor hovered = corner();
  QVERIFY(hovered != at_rest);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&button, &leave);
  QCOMPARE(corner(), at_rest);
  button.setDown(true);
  const QColor pressed = corner();
  QVERIFY(pressed != at_rest);
  QVERIFY(pressed != hovered);  // sunken, not raised
}

void WidgetsTest::pictureButtonClicksAndShowsHint() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  window->open();
  window->control<QWidget>("外形框1")->show();
  auto* button = window->control<PictureButton>("超级按钮_提取全部句");
  QCOMPARE(button->toolTip(),
           QStringLiteral("以单线程方式提取全部语句，不分叙述和对话，适合小型文献"));
  QVERIFY(window->control<PictureButton>("超级按钮_加入语料")->toolTip().isEmpty());
  QSignalSpy clicked(button, &QAbstractButton::clicked);
  QTest::mouseClick(button, Qt::LeftButton);
  QCOMPARE(clicked.count(), 1);
  button->setFocus();
  QTest::keyClick(button, Qt::Key_Space);
  QCOMPARE(clicked.count(), 2);
}

void WidgetsTest::shapeBoxDrawsRaisedOutlineAndClipsChildren() {
  QWidget host;
  host.resize(200, 200);
  auto* box = new ShapeBox(&host);
  box->setGeometry(10, 10, 100, 60);
  auto* child = new QWidget(box);
  child->setGeometry(50, -40, 80, 80);  // partly above and right of the box
  child->setAutoFillBackground(true);
  QPalette red = child->palette();
  red.setColor(QPalette::Window, Qt::red);
  child->setPalette(red);
  host.show();
  const QImage image = host.grab().toImage();
  // White outline on the box's edge, black one a pixel down and right.
  QCOMPARE(image.pixelColor(10, 50), QColor(Qt::white));
  QCOMPARE(image.pixelColor(30, 10), QColor(Qt::white));
  QCOMPARE(image.pixelColor(30, 69), QColor(Qt::black));
  QCOMPARE(image.pixelColor(30, 68), QColor(Qt::white));
  QCOMPARE(image.pixelColor(10 + 99, 60), QColor(Qt::black));
  QCOMPARE(image.pixelColor(10 + 98, 60), QColor(Qt::white));
  // The child shows only inside the box.
  QCOMPARE(image.pixelColor(70, 20), QColor(Qt::red));
  QVERIFY(image.pixelColor(70, 5) != QColor(Qt::red));
  QVERIFY(image.pixelColor(115, 20) != QColor(Qt::red));
}

void WidgetsTest::balloonTipShowsAndHides() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  window->open();
  QVERIFY(QTest::qWaitForWindowActive(window.get()));
  auto* tip = window->control<BalloonTip>("气球提示框1");
  auto* keyword = window->control<QLineEdit>("编辑框_关键词");
  keyword->setFocus();

  tip->showAt(keyword, QStringLiteral("提示"), QStringLiteral("两个关键词之间用空格分隔"), 0);
  QVERIFY(tip->isShown());
  QCOMPARE(tip->title(), QStringLiteral("提示"));
  QCOMPARE(tip->text(), QStringLiteral("两个关键词之间用空格分隔"));
  // Typing hides it, and the key still reaches the box.
  QTest::keyClick(keyword, Qt::Key_A);
  QVERIFY(!tip->isShown());
  QCOMPARE(keyword->text(), QStringLiteral("a"));

  // It also hides by itself after the given time.
  tip->showAt(keyword, QStringLiteral("提示"), QStringLiteral("文本"), 50);
  QVERIFY(tip->isShown());
  QTRY_VERIFY_WITH_TIMEOUT(!tip->isShown(), 2000);

  // Typing after it has gone never brings it back; hide() when hidden is harmless.
  QTest::keyClick(keyword, Qt::Key_B);
  QVERIFY(!tip->isShown());
  tip->hide();
}

// A right context too long for its row is cut before the citation that names the document.
void WidgetsTest::narrowKwicRowsKeepTheCitation() {
  const QFontMetrics metrics(QApplication::font());
  const QString suffix = QStringLiteral("  （出处：论语)");
  const QString right = QStringLiteral("不亦说乎？有朋自远方来，不亦乐乎？") + suffix;
  const int full = metrics.horizontalAdvance(right);
  QCOMPARE(fit_right_text(right, suffix, metrics, full), right);
  const QString cut = fit_right_text(right, suffix, metrics, full / 2);
  QVERIFY2(cut.endsWith(QStringLiteral("…") + suffix), qPrintable(cut));
  QVERIFY(cut.startsWith(QStringLiteral("不亦")));
  QVERIFY(metrics.horizontalAdvance(cut) <= full / 2);
  // Too narrow even for the citation: the row is cut at its end like any text.
  QCOMPARE(fit_right_text(right, suffix, metrics, metrics.horizontalAdvance(suffix) / 2),
           metrics.elidedText(right, Qt::ElideRight, metrics.horizontalAdvance(suffix) / 2));
}

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
