// The frame tools on real widgets: the clipboard with our own and foreign
// data, the blank frame and save-selected dialogs, the other-options dialog,
// editing in a paint program played by scripts, and the frame-list window.
// One case runs the editor under Xvfb with xclip as a real second program.
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "app/command_table.h"
#include "app/paint_file.h"
#include "options/write_options.h"
#include "doc/dib.h"
#include "doc/selection.h"
#include "frame_ops/blank_frame.h"
#include "ui/blank_frame_dialog.h"
#include "ui/frame_image.h"
#include "ui/paint_editing.h"
#include "ui/gui_test_support.h"
#include "ui/qt_platform.h"
#include "ui/save_selected_dialog.h"
#include "view/clipboard_part.h"
#include "view/frame_list_window.h"
#include "view/frame_tools_part.h"
#include "view/main_window.h"

namespace kivo {

namespace {

QRgb PixelOf(const Frame& f, int x, int y) { return DibToImage(f.dib).pixel(x, y); }

}  // namespace

class FrameToolsTest : public QObject {
    Q_OBJECT

public:
    // Frames of w × h whose top-left pixel is red = number, delay 20 + number.
    static void AddFrames(MainWindow& window, int count, int w = 4, int h = 3) {
        AnimDoc& doc = window.GetShell().Doc();
        for (int i = 0; i < count; ++i) {
            AddBlankFrame(doc, window.GetShell().Selected(), 0, w, h);
            Frame& f = *doc.currentFrame;
            uint8_t* top = DibPixels(f.dib) + size_t(h - 1) * DibRowBytes(uint32_t(w), 24);
            top[0] = 0, top[1] = 0, top[2] = uint8_t(doc.frameCount - 1);
            f.delay = 20 + doc.frameCount - 1;
            f.comment = "c" + std::to_string(doc.frameCount - 1);
        }
        window.RefreshPanel();
    }

    // Answers the next message box with OK and keeps its text.
    void AnswerNextBox() {
        WhenShown<QMessageBox>([this](QMessageBox* box) {
            shownMessages_ << box->text();
            box->button(QMessageBox::Ok)->click();
        });
    }

private:
    QtPlatformBackend backend_;
    QTemporaryDir dir_;
    QStringList shownMessages_;

    QString Path(const QString& name) const { return dir_.filePath(name); }

    // A "paint program": a shell script that notes the file it was given.
    QString Script(const QString& name, const QString& body) {
        const QString path = Path(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(("#!/bin/sh\necho \"$1\" >> '" + Path("given.log") + "'\n" + body + "\n").toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    // BMP bytes by hand: bits 8 (with table), 24 or 32; pixel(x, y) is 0xRRGGBB or an index.
    static QByteArray Bmp(int w, int h, int bits, const QList<uint32_t>& table, std::function<uint32_t(int, int)> pixel) {
        QByteArray b;
        auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b.append(char(v >> (8 * i))); };
        auto u16 = [&](uint16_t v) { b.append(char(v)); b.append(char(v >> 8)); };
        const int stride = int(DibRowBytes(uint32_t(w), uint32_t(bits)));
        const uint32_t offset = uint32_t(54 + 4 * table.size());
        b.append("BM");
        u32(offset + uint32_t(stride * h)), u32(0), u32(offset);
        u32(40), u32(uint32_t(w)), u32(uint32_t(h)), u16(1), u16(uint16_t(bits)), u32(0), u32(0), u32(39), u32(39);
        u32(uint32_t(table.size())), u32(0);
        for (uint32_t c : table) u32(c);
        for (int y = h - 1; y >= 0; --y) {
            QByteArray row;
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < bits / 8; ++k) row.append(char(pixel(x, y) >> (8 * k)));
            row.resize(stride, '\0');
            b += row;
        }
        return b;
    }

    QString Prepared(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
        return file.fileName();
    }

    int PaintFolders() const {
        return int(QDir(Path("tmp")).entryList({QStringLiteral("kivo-paint-*")}, QDir::Dirs).size());
    }

    // Options that send paint editing to our script.
    static WriteOptions PaintWith(const std::string& program) {
        WriteOptions options;
        options.UseStandardPaint = 0;
        options.PaintProgramPath = program;
        return options;
    }

private slots:
    void initTestCase() {
        qputenv("KIVO_INI", Path("kivo.ini").toUtf8());
        QDir().mkpath(Path("tmp"));
        qputenv("TMPDIR", Path("tmp").toUtf8());
        InstallPlatformBackend(&backend_);
    }
    void cleanupTestCase() { InstallPlatformBackend(nullptr); }
    void init() {
        QGuiApplication::clipboard()->clear();
        shownMessages_.clear();
    }

    void copyOffersTheFirstFrameAndPasteGivesBackEveryFrame() {
        MainWindow window;
        AddFrames(window, 3);
        QVERIFY(!window.Action(kCmdPasteAppend)->isEnabled());
        SetSelection(window.GetShell().Doc(), window.GetShell().Selected(), {0, 2});
        window.Action(kCmdCopy)->trigger();
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data && data->hasFormat(QStringLiteral("image/png")) && data->hasFormat(QStringLiteral("image/bmp")));
        QVERIFY(window.Action(kCmdPasteAppend)->isEnabled());
        for (const char* format : {"PNG", "BMP"}) {
            QImage offered = QImage::fromData(data->data(QStringLiteral("image/") + QString::fromLatin1(format).toLower()), format);
            QCOMPARE(offered.size(), QSize(4, 3));
            QCOMPARE(offered.pixel(0, 0), qRgb(0, 0, 0));
            QCOMPARE(offered.pixel(1, 0), qRgb(255, 255, 255));
        }
        window.Action(kCmdPasteAppend)->trigger();
        window.Action(kCmdPasteInsert)->trigger();  // before the frame pasted last
        const AnimDoc& doc = window.GetShell().Doc();
        QStringList comments;
        for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get())
            comments << QString::fromStdString(f->comment) + "/" + QString::number(f->delay);
        QCOMPARE(comments.join(' '), QStringLiteral("c0/20 c1/21 c2/22 c0/20 c0/20 c2/22 c2/22"));
        QVERIFY(window.windowTitle().endsWith('*'));
        // Another program's text takes the clipboard: nothing left to paste.
        QGuiApplication::clipboard()->setText(QStringLiteral("words"));
        QVERIFY(!window.Action(kCmdPasteInsert)->isEnabled());
    }

    void cutDeletesWhatItCopied() {
        MainWindow window;
        AddFrames(window, 4);
        SetSelection(window.GetShell().Doc(), window.GetShell().Selected(), {1, 3});
        window.Action(kCmdCut)->trigger();
        QCOMPARE(window.GetShell().Doc().frameCount, 2);
        auto* ours = qobject_cast<const FrameClipData*>(QGuiApplication::clipboard()->mimeData());
        QVERIFY(ours);
        QCOMPARE(ours->List()->size(), size_t(2));
        QCOMPARE(ours->List()->back().comment, std::string("c3"));
    }

    void aPictureFromElsewherePastesAsOneFrame_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("refused");
        QTest::newRow("image with alpha") << "image" << 5 << false;
        QTest::newRow("PNG bytes") << "png" << 5 << false;
        QTest::newRow("BMP bytes") << "bmp" << 5 << false;
        QTest::newRow("PNG wider than any frame") << "png" << 40000 << true;
        QTest::newRow("text only") << "text" << 5 << false;
    }
    void aPictureFromElsewherePastesAsOneFrame() {
        QFETCH(QString, kind);
        QFETCH(int, width);
        QFETCH(bool, refused);
        MainWindow window;
        AddFrames(window, 2);
        QImage picture(width, 2, QImage::Format_ARGB32);
        picture.fill(qRgba(10, 20, 30, 255));
        picture.setPixel(1, 1, qRgba(0, 0, 0, 0));  // transparent: laid on white
        auto* data = new QMimeData;
        if (kind == "image") data->setImageData(picture);
        if (kind == "text") data->setText(QStringLiteral("words"));
        if (kind == "png" || kind == "bmp") {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, kind.toUpper().toLatin1());
            data->setData("image/" + kind, bytes);
        }
        QGuiApplication::clipboard()->setMimeData(data);
        if (refused) AnswerNextBox();
        SetSelection(window.GetShell().Doc(), window.GetShell().Selected(), {1});
        window.GetShell().Doc().modified = 0;
        window.FindPart<ClipboardPart>()->Paste(true);
        const AnimDoc& doc = window.GetShell().Doc();
        QCOMPARE(shownMessages_.size(), refused ? 1 : 0);
        const bool pasted = !refused && kind != "text";
        QCOMPARE(doc.frameCount, pasted ? 3 : 2);
        QCOMPARE(doc.modified, int16_t(pasted));
        if (!pasted) return;
        const Frame& f = *NthFrame(doc, 1);
        QCOMPARE((QList<int>{f.left, f.top, f.width, f.height, f.delay, f.hasDelay}), (QList<int>{0, 0, 5, 2, 10, 1}));
        QCOMPARE(PixelOf(f, 0, 0), qRgb(10, 20, 30));
        if (kind != "bmp") QCOMPARE(PixelOf(f, 1, 1), qRgb(255, 255, 255));
        QCOMPARE(window.GetShell().Selected(), (std::vector<int32_t>{1}));
    }

    void blankFrameDialogRefusesAndKeepsTheFieldAtFault() {
        MainWindow window;
        window.show();
        AddFrames(window, 3, 30, 20);
        SetSelection(window.GetShell().Doc(), window.GetShell().Selected(), {1, 2});
        bool checked = false;
        WhenShown<BlankFrameDialog>([&](BlankFrameDialog* dialog) {
            auto* width = dialog->findChild<QSpinBox*>(QStringLiteral("id1041"));
            auto* height = dialog->findChild<QSpinBox*>(QStringLiteral("id1043"));
            QCOMPARE(width->value(), 30);  // the screen's size
            QCOMPARE(height->value(), 20);
            auto* heightText = height->findChild<QLineEdit*>();
            heightText->selectAll();
            QTest::keyClicks(heightText, QStringLiteral("0"));
            AnswerNextBox();
            dialog->findChild<QPushButton*>(QStringLiteral("id1"))->click();
            QVERIFY(dialog->isVisible());
            QVERIFY(dialog->focusWidget() == height || dialog->focusWidget() == heightText);
            QCOMPARE(heightText->selectedText(), QStringLiteral("0"));
            height->setValue(50);
            checked = true;
            dialog->findChild<QPushButton*>(QStringLiteral("id1"))->click();
        });
        window.Action(kCmdBlankInsert)->trigger();
        QVERIFY(checked);
        QCOMPARE(shownMessages_, QStringList{ShownMessage("高さが 0 では作れません。")});
        const AnimDoc& doc = window.GetShell().Doc();
        QCOMPARE(doc.frameCount, 4);
        QCOMPARE(doc.currentIndex, 1);
        QCOMPARE(doc.currentFrame->height, 50);
        QCOMPARE(doc.screenHeight, 50);
        QCOMPARE(window.GetShell().Selected(), (std::vector<int32_t>{1}));
    }

    void saveSelectedNeedsAFolderThenWritesEachFrame() {
        MainWindow window;
        AddFrames(window, 12);
        SetSelection(window.GetShell().Doc(), window.GetShell().Selected(), {2, 10});
        window.GetShell().SetFormatMode(1);  // PNG first in MNG mode
        const QString out = Path("frames");
        QDir().mkpath(out);
        WhenShown<SaveSelectedDialog>([&](SaveSelectedDialog* dialog) {
            auto* folder = dialog->findChild<QLineEdit*>(QStringLiteral("id1041"));
            QCOMPARE(folder->text(), QString());  // never saved: no folder of its own
            QVERIFY(dialog->findChild<QAbstractButton*>(QStringLiteral("id1045"))->isChecked());
            AnswerNextBox();
            dialog->findChild<QPushButton*>(QStringLiteral("id1"))->click();
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->focusWidget(), folder);
            folder->setText(out);
            dialog->findChild<QLineEdit*>(QStringLiteral("id1043"))->setText(QStringLiteral("anim"));
            dialog->findChild<QPushButton*>(QStringLiteral("id1"))->click();
        });
        window.Action(kCmdSaveSelected)->trigger();
        QCOMPARE(shownMessages_, QStringList{ShownMessage("保存先のフォルダを指定してください。")});
        QCOMPARE(QDir(out).entryList(QDir::Files), (QStringList{"anim_03.png", "anim_11.png"}));
        QCOMPARE(QImage(out + "/anim_11.png").pixel(0, 0), qRgb(10, 0, 0));
    }

    void otherOptionsChangeThePaintProgramAtOnce() {
        WhenShown<QDialog>([](QDialog* dialog) {
            auto* standard = dialog->findChild<QAbstractButton*>(QStringLiteral("id1039"));
            auto* path = dialog->findChild<QLineEdit*>(QStringLiteral("id1036"));
            QVERIFY(standard->isChecked() && !path->isEnabled());
            standard->click();
            QVERIFY(path->isEnabled());
            QTest::keyClicks(path, QStringLiteral("/opt/paint"));
            dialog->findChild<QAbstractButton*>(QStringLiteral("id1038"))->click();
            dialog->findChild<QPushButton*>(QStringLiteral("id2"))->click();
        });
        MainWindow window;
        window.Action(kCmdOtherOptions)->trigger();
        const WriteOptions& options = window.GetShell().Options();
        QCOMPARE(options.UseStandardPaint, 0);
        QCOMPARE(options.PaintProgramPath, std::string("/opt/paint"));
        QCOMPARE(options.OptimizeWithTransparency, 0);
    }

    void paintEditing_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("paletteSize");
        QTest::addColumn<int>("messages");
        QTest::addColumn<int>("keptFolders");  // until the editor exits
        QTest::addColumn<bool>("cancel");
        const QString other = Prepared("other32.bmp", Bmp(4, 3, 32, {}, [](int x, int y) { return x + y ? 0x102030u : 0xFFFFFFu; }));
        const QString same = Prepared("same32.bmp", Bmp(4, 3, 32, {}, [](int x, int y) { return x + y ? 0xFFFFFFu : 0u; }));
        const QString pal = Prepared("pal8.bmp", Bmp(4, 3, 8, {0x102030, 0xFFFFFF}, [](int x, int y) { return uint32_t(x + y == 0); }));
        const QString big = Prepared("big24.bmp", Bmp(9, 7, 24, {}, [](int x, int y) { return x + y ? 0x102030u : 0xFFFFFFu; }));
        QTest::newRow("closed without saving") << "sleep 3.4" << false << QSize(4, 3) << 0 << 0 << 0 << false;
        QTest::newRow("same pixels") << "cp '" + same + "' \"$1\"" << false << QSize(4, 3) << 0 << 0 << 0 << false;
        QTest::newRow("8-bit") << "cp '" + pal + "' \"$1\"" << true << QSize(4, 3) << 256 << 0 << 0 << false;
        QTest::newRow("32-bit") << "cp '" + other + "' \"$1\"" << true << QSize(4, 3) << 0 << 0 << 0 << false;
        QTest::newRow("resized") << "cp '" + big + "' \"$1\"" << true << QSize(9, 7) << 0 << 0 << 0 << false;
        QTest::newRow("handed over, saved later")
            << "(sleep 0.7; cp '" + other + "' \"$1\") >/dev/null 2>&1 &" << true << QSize(4, 3) << 0 << 0 << 1 << false;
        QTest::newRow("cancelled") << "sleep 2" << false << QSize(4, 3) << 0 << 0 << 1 << true;
        QTest::newRow("fails to start") << "#!/nonexistent/shell" << false << QSize(4, 3) << 0 << 1 << 0 << false;
    }
    void paintEditing() {
        QFETCH(QString, body);
        QFETCH(bool, changed);
        QFETCH(QSize, size);
        QFETCH(int, paletteSize);
        QFETCH(int, messages);
        QFETCH(int, keptFolders);
        QFETCH(bool, cancel);
        // A script of its own per row: a shell still running an earlier one
        // reads on in its file.
        QString script = Script(QStringLiteral("paint-%1.sh").arg(QTest::currentDataTag()).replace(' ', '-'), body);
        if (body.startsWith("#!")) {  // an interpreter that does not exist
            QFile file(script);
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            file.write(body.toUtf8() + "\n");
        }
        MainWindow window(0, PaintWith(NativePath(script)));
        AddFrames(window, 2);
        window.GetShell().Doc().modified = 0;
        if (messages) AnswerNextBox();
        if (cancel) {
            WhenShown<PaintWaitDialog>([](PaintWaitDialog* wait) {
                QTimer::singleShot(300, wait, [wait] { wait->findChild<QPushButton*>(QStringLiteral("id2"))->click(); });
            });
        }
        Frame& frame = *window.GetShell().Doc().firstFrame;
        QCOMPARE(EditFrameInPaint(window, frame), changed);
        QCOMPARE(shownMessages_.size(), messages);
        QCOMPARE(QSize(frame.width, frame.height), size);
        QCOMPARE(int(frame.localPalette.size()), paletteSize);
        QCOMPARE(window.GetShell().Doc().modified, int16_t(changed));
        QCOMPARE(PixelOf(frame, 1, 0), changed ? qRgb(0x10, 0x20, 0x30) : qRgb(255, 255, 255));
        QVERIFY(window.GetShell().Doc().screenWidth >= size.width());
        QCOMPARE(PaintFolders(), keptFolders);
        RemoveKeptPaintFiles();
        QCOMPARE(PaintFolders(), 0);
    }

    void frameListShowsTilesAndEditsOnDoubleClick() {
        Script(QStringLiteral("paint.sh"),
               "cp '" + Prepared("red.bmp", Bmp(10, 8, 24, {}, [](int, int) { return 0xFF0000u; })) + "' \"$1\"");
        MainWindow window(0, PaintWith(NativePath(Path("paint.sh"))));
        window.show();
        AddFrames(window, 7, 10, 8);
        window.GetShell().Doc().modified = 0;
        auto* part = window.FindPart<FrameToolsPart>();
        bool checked = false;
        WhenShown<FrameListWindow>([&](FrameListWindow* list) {
            QVERIFY(!part->ShowFrameList());  // a second open is ignored
            QCOMPARE(list->windowTitle(), QStringLiteral("コマリスト一覧"));
            QCOMPARE(list->TileLabel(2), QStringLiteral("No.  3"));
            const FrameListLayout& layout = list->Layout();
            QCOMPARE(layout.TileWidth(), 60);
            const TilePoint at = layout.TileAt(2);
            QTest::mouseDClick(list->Tiles(), Qt::LeftButton, {}, QPoint(at.x + 30, at.y + 30));
            QCOMPARE(list->TileLabel(2), QStringLiteral("No.  3 *"));
            QCOMPARE(list->TileLabel(1), QStringLiteral("No.  2"));
            checked = true;
            list->close();
        });
        QVERIFY(part->ShowFrameList());
        QVERIFY(checked);
        QCOMPARE(PixelOf(*NthFrame(window.GetShell().Doc(), 2), 5, 5), qRgb(255, 0, 0));
        QCOMPARE(window.GetShell().Doc().modified, int16_t(1));
    }

    // Under Xvfb, xclip reads what we offer and offers a picture we paste.
    void xclipIsARealSecondProgram() {
        if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            QSKIP("xvfb-run or xclip is missing (scripts/install-deps.sh installs both)");
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KIVO_XCLIP_CHILD"), dir_.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QStringLiteral("xvfb-run"), {QStringLiteral("-a"), QCoreApplication::applicationFilePath()});
        QVERIFY(child.waitForFinished(90000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitCode() == 0, output.constData());
    }
};

// Waits for a process while this program keeps answering the X server.
static QByteArray RunServing(const QString& program, const QStringList& args, bool* ok) {
    QProcess process;
    process.start(program, args);
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    *ok = process.state() == QProcess::NotRunning && process.exitCode() == 0;
    return process.readAllStandardOutput();
}

// The editor under a real X server: xclip reads what we copied, then puts a
// picture of its own on the clipboard, which pastes as a frame.
static int RunXclipChild(int argc, char** argv) {
    QApplication app(argc, argv);
    QtPlatformBackend backend;
    InstallPlatformBackend(&backend);
    int failures = 0;
    auto expect = [&](bool ok, const char* what) {
        if (!ok) std::fprintf(stderr, "xclip check failed: %s\n", what), ++failures;
    };
    {
        MainWindow window;
        window.show();
        FrameToolsTest::AddFrames(window, 2, 6, 4);
        SetSelection(window.GetShell().Doc(), window.GetShell().Selected(), {1});
        window.Action(kCmdCopy)->trigger();
        bool ok = false;
        const QByteArray targets = RunServing("xclip", {"-selection", "clipboard", "-t", "TARGETS", "-o"}, &ok);
        expect(ok && targets.contains("image/png") && targets.contains("image/bmp"), "TARGETS lists PNG and BMP");
        const QImage png = QImage::fromData(RunServing("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"}, &ok));
        expect(ok && png.size() == QSize(6, 4) && png.pixel(0, 0) == qRgb(1, 0, 0), "xclip reads the copied frame");

        const QString file = QString::fromLocal8Bit(qgetenv("KIVO_XCLIP_CHILD")) + "/from-xclip.png";
        QImage picture(7, 5, QImage::Format_RGB32);
        picture.fill(qRgb(200, 0, 0));
        picture.save(file);
        RunServing("xclip", {"-selection", "clipboard", "-t", "image/png", "-i", file}, &ok);
        expect(ok, "xclip takes the clipboard");
        QElapsedTimer clock;
        clock.start();
        while (qobject_cast<const FrameClipData*>(QGuiApplication::clipboard()->mimeData()) && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        expect(window.Action(kCmdPasteAppend)->isEnabled(), "paste follows the clipboard");
        window.Action(kCmdPasteAppend)->trigger();
        const Frame* last = window.GetShell().Doc().currentFrame;
        expect(window.GetShell().Doc().frameCount == 3 && last && last->width == 7 && last->height == 5,
               "xclip's picture pastes as a frame");
        window.GetShell().Doc().modified = 0;
    }
    InstallPlatformBackend(nullptr);
    return failures == 0 ? 0 : 1;
}

}  // namespace kivo

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("KIVO_XCLIP_CHILD")) return kivo::RunXclipChild(argc, argv);
    QApplication app(argc, argv);
    kivo::FrameToolsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frame_tools_test.moc"
