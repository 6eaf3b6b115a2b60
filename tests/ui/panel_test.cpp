// The panel with real key presses, focus changes and drops on the offscreen platform.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/command_table.h"
#include "options/write_options.h"
#include "doc/selection.h"
#include "io/open_save.h"
#include "frame_ops/blank_frame.h"
#include "ui/colour_dropper.h"
#include "ui/gui_test_support.h"
#include "ui/qt_platform.h"
#include "ui/text_key_editor.h"
#include "view/main_window.h"
#include "view/panel.h"

namespace kivo {

class PanelTest : public QObject {
    Q_OBJECT

private:
    QtPlatformBackend backend_;
    QTemporaryDir dir_;

        static Panel& PanelOf(MainWindow& w) { return *w.FindPart<Panel>(); }
    static QLineEdit* Field(MainWindow& w, const char* id) {
        return static_cast<QLineEdit*>(PanelOf(w).Control(id));
    }
    static void Type(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }

private slots:
    void initTestCase() {
        qputenv("KIVO_INI", dir_.filePath("kivo.ini").toUtf8());
        InstallPlatformBackend(&backend_);
    }
    void cleanupTestCase() { InstallPlatformBackend(nullptr); }

    void aTypedSizeIsTakenWhenTheFieldIsLeftAndCorrected() {
        auto w = ShownWindow(2);
        QLineEdit* width = Field(*w, "101");
        Type(width, QStringLiteral("5000"));
        QCOMPARE(w->GetShell().Doc().screenWidth, 20);  // nothing before leaving the field
        QTest::keyClick(width, Qt::Key_Tab);
        QCOMPARE(w->GetShell().Doc().screenWidth, 3000);
        QCOMPARE(width->text(), QStringLiteral("3000"));
        QTRY_VERIFY(width->hasFocus());  // the correction keeps the user in the field
        QCOMPARE(width->selectedText(), QStringLiteral("3000"));
        QVERIFY(w->windowTitle().endsWith(QStringLiteral("*")));
    }

    void aMenuCommandTakesTheTypedValueFirst() {
        auto w = ShownWindow(1);
        QLineEdit* height = Field(*w, "102");
        Type(height, QStringLiteral("40"));
        w->Action(40015)->trigger();  // any command
        QCOMPARE(w->GetShell().Doc().screenHeight, 40);
    }

    void tabFollowsTheFocusOrderSkippingDisabledControls() {
        auto w = ShownWindow(1);
        Panel& panel = PanelOf(*w);
        // 110 is disabled (the frame is as wide as the screen), so Tab goes from
        // 108 past it to 111 only when 111 is enabled; here both are, the screen
        // being widened first.
        w->GetShell().Doc().screenWidth = 20;
        w->RefreshPanel();
        QWidget* start = panel.Control("108");
        start->setFocus();
        QTest::keyClick(start, Qt::Key_Tab);
        QVERIFY(!panel.Control("110")->isEnabled());
        QCOMPARE(QApplication::focusWidget(), panel.Control("114"));  // 110 and 111 skipped
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), panel.Control("108"));
    }

    void commentsKeepTheirLineBreaksByteForByte() {
        auto w = ShownWindow(1);
        w->GetShell().Doc().currentFrame->comment = "first\r\nsecond";
        w->RefreshPanel();
        auto* text = static_cast<QPlainTextEdit*>(PanelOf(*w).Control("116"));
        QCOMPARE(text->toPlainText(), QStringLiteral("first\nsecond"));
        text->moveCursor(QTextCursor::End);
        QTest::keyClicks(text, QStringLiteral("!"));
        QCOMPARE(w->GetShell().Doc().currentFrame->comment, std::string("first\r\nsecond!"));
        QCOMPARE(w->GetShell().Doc().modified, int16_t(1));
    }

    void moveButtonsAndTheListSelection() {
        auto w = ShownWindow(3);
        AnimDoc& doc = w->GetShell().Doc();
        for (int i = 0; i < 3; ++i) NthFrame(doc, i)->delay = i;
        auto* list = static_cast<QListWidget*>(PanelOf(*w).Control("121"));
        list->item(1)->setSelected(true);
        list->item(2)->setSelected(true);
        list->item(0)->setSelected(false);
        QCOMPARE(w->GetShell().Selected(), (std::vector<int32_t>{1, 2}));
        QCOMPARE(doc.currentIndex, 2);
        static_cast<QAbstractButton*>(PanelOf(*w).Control("122"))->click();
        QCOMPARE(NthFrame(doc, 0)->delay, 1);
        QCOMPARE(NthFrame(doc, 2)->delay, 0);
        QVERIFY(list->item(0)->isSelected() && list->item(1)->isSelected() && !list->item(2)->isSelected());
        // Typing a delay with both selected sets both.
        Type(Field(*w, "117"), QStringLiteral("50"));
        QCOMPARE(NthFrame(doc, 0)->delay, 50);
        QCOMPARE(NthFrame(doc, 1)->delay, 50);
    }

    // The swatch's dropper colours every selected frame; the key buttons'
    // editor changes the list only through the panel, with the comment rebuilt.
    void swatchAndKeyButtonsEditThroughTheirDialogs() {
        auto w = ShownWindow(2);
        AnimDoc& doc = w->GetShell().Doc();
        w->Action(kCmdSelectAll)->trigger();
        static_cast<QAbstractButton*>(PanelOf(*w).Control("114"))->click();  // enables the swatch
        NthFrame(doc, 0)->transparentRgb = Rgb{1, 2, 3};
        std::optional<Rgb> offered;
        QTimer::singleShot(0, [&] {
            auto* dropper = qobject_cast<ColourDropper*>(QApplication::activeModalWidget());
            QVERIFY(dropper);
            offered = dropper->Area()->ColourAt(QPoint(1, 1));
            QTest::mouseClick(dropper->Area()->viewport(), Qt::LeftButton, {}, QPoint(1, 1));
        });
        static_cast<QAbstractButton*>(PanelOf(*w).Control("120"))->click();
        QVERIFY(offered);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(NthFrame(doc, i)->hasTransparency, int16_t(1));
            QVERIFY(NthFrame(doc, i)->transparentRgb == *offered);
        }
        QCOMPARE(doc.modified, int16_t(1));

        w->GetShell().SetFormatMode(1);
        static_cast<QListWidget*>(PanelOf(*w).Control("121"))->setCurrentRow(0);  // one frame: its keys
        doc.modified = 0;
        int focusedOnNewKey = 0;
        for (const char* button : {"129", "130"}) {
            QTimer::singleShot(0, [&focusedOnNewKey] {
                auto* editor = qobject_cast<TextKeyEditor*>(QApplication::activeModalWidget());
                QVERIFY(editor);
                focusedOnNewKey += editor->focusWidget() == editor->NewKey();  // opened for a new key
                editor->NewKey()->setText(QStringLiteral("作者"));
                editor->AddButton()->click();
                editor->accept();
            });
            static_cast<QAbstractButton*>(PanelOf(*w).Control(button))->click();
        }
        QCOMPARE(focusedOnNewKey, 2);
        QCOMPARE(doc.textKeys.size(), size_t(1));
        QCOMPARE(doc.trailingComment, std::string("作者 : \r\n"));
        QCOMPARE(doc.currentFrame->textKeys.size(), size_t(1));
        QCOMPARE(doc.currentFrame->comment, std::string("作者 : \r\n"));
        QCOMPARE(static_cast<QComboBox*>(PanelOf(*w).Control("127"))->currentText(), QStringLiteral("作者"));
        QCOMPARE(doc.modified, int16_t(1));
        // A new key has no text yet, and must be able to get some.
        auto* text = static_cast<QPlainTextEdit*>(PanelOf(*w).Control("126"));
        QVERIFY(text->isEnabled() && PanelOf(*w).Control("128")->isEnabled());
        QTest::keyClicks(text, QStringLiteral("me"));
        QCOMPARE(doc.currentFrame->textKeys[0].text, std::string("me"));
    }

    // What is typed goes into the key the list shows, after the frame
    // selection moved away and back (frame keys) or moved at all (document keys).
    void keyTextGoesIntoTheKeyShown() {
        auto w = ShownWindow(2);
        AnimDoc& doc = w->GetShell().Doc();
        w->GetShell().SetFormatMode(1);
        const TextKeyList keys = {{"Title", "t1"}, {"Author", "a1"}};
        doc.textKeys = keys;
        for (int i = 0; i < 2; ++i) NthFrame(doc, i)->textKeys = keys;
        w->RefreshPanel();
        Panel& panel = PanelOf(*w);
        auto* list = static_cast<QListWidget*>(panel.Control("121"));
        auto pick = [&](const char* combo, int index) {
            auto* box = static_cast<QComboBox*>(panel.Control(combo));
            box->setCurrentIndex(index);
            emit box->activated(index);
        };
        auto typeInto = [&](const char* id) {
            auto* text = static_cast<QPlainTextEdit*>(panel.Control(id));
            text->moveCursor(QTextCursor::End);
            QTest::keyClicks(text, QStringLiteral("X"));
            return static_cast<QComboBox*>(panel.Control(id == std::string("126") ? "128" : "127"))->currentText();
        };

        pick("128", 1);
        list->setCurrentRow(1);
        list->setCurrentRow(0);
        QCOMPARE(typeInto("126"), QStringLiteral("Title"));
        QCOMPARE(doc.firstFrame->textKeys[0].text, std::string("t1X"));
        QCOMPARE(doc.firstFrame->textKeys[1].text, std::string("a1"));

        pick("127", 1);
        list->setCurrentRow(1);
        QCOMPARE(typeInto("125"), QStringLiteral("Author"));
        QCOMPARE(doc.textKeys[0].text, std::string("t1"));
        QCOMPARE(doc.textKeys[1].text, std::string("a1X"));
    }

    void droppedFilesAreAppendedToTheList() {
        auto w = ShownWindow(1);
        std::string gif = dir_.filePath("two.gif").toStdString();
        auto doc = NewDocument();
        Selection selection;
        AddBlankFrame(*doc, selection, 0, 8, 8);
        AddBlankFrame(*doc, selection, 0, 8, 8);
        WriteOptions options;
        QVERIFY(SaveDocument(nullptr, gif, *doc, options));
        auto* list = static_cast<QListWidget*>(PanelOf(*w).Control("121"));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(gif))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &drop);
        QCOMPARE(w->GetShell().Doc().frameCount, 3);
        QCOMPARE(list->count(), 3);
    }
};

}  // namespace kivo

QTEST_MAIN(kivo::PanelTest)
#include "panel_test.moc"
