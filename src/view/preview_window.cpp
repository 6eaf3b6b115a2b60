#include "view/preview_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include "app/command_table.h"
#include "app/session_settings.h"
#include "frame_ops/size_target.h"
#include "gif/gif_reader.h"
#include "platform/platform.h"
#include "ui/layout_units.h"
#include "ui/qt_platform.h"
#include "view/canvas_part.h"
#include "view/main_window.h"

namespace kivo {

namespace {

constexpr int kTickMs = 10;

QString IdName(int id) { return QStringLiteral("id%1").arg(id); }

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }
Rgb FromQColor(const QColor& c) { return {uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())}; }

// The custom colours of the colour dialog live in the settings as COLORREF
// values (0x00bbggrr), eight per key.
void LoadCustomColours() {
    for (int k = 0; k < 2; ++k) {
        const std::vector<int> v = SettingNumbers(SessionSettings(), k == 0 ? "CustCol1" : "CustCol2");
        for (size_t i = 0; i < v.size() && i < 8; ++i) {
            const uint32_t ref = uint32_t(v[i]);
            QColorDialog::setCustomColor(k * 8 + int(i), QColor(int(ref & 0xFF), int(ref >> 8 & 0xFF), int(ref >> 16 & 0xFF)));
        }
    }
}

void StoreCustomColours() {
    for (int k = 0; k < 2; ++k) {
        int values[8];
        for (int i = 0; i < 8; ++i) {
            const QColor c = QColorDialog::customColor(k * 8 + i);
            values[i] = c.red() | c.green() << 8 | c.blue() << 16;
        }
        SetSettingNumbers(SessionSettings(), k == 0 ? "CustCol1" : "CustCol2", values);
    }
}

}  // namespace

// The logical screen centred on the background colour.
class PreviewWindow::DrawingArea : public QWidget {
public:
    explicit DrawingArea(PreviewWindow& preview) : QWidget(&preview), preview_(preview) {
        setObjectName(QStringLiteral("drawingArea"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), ToQColor(preview_.background_));
        const PreviewPlayer& player = preview_.player_;
        if (!player.HasPicture()) return;
        const Composition& c = player.Screen();
        const QImage screen(reinterpret_cast<const uchar*>(c.screen.data()), c.width, c.height,
                            qsizetype(c.width) * 4, QImage::Format_RGB32);
        painter.drawImage(QPoint(preview_.geometry_.offsetX, preview_.geometry_.offsetY), screen);
    }

private:
    PreviewWindow& preview_;
};

PreviewWindow::PreviewWindow(MainWindow& owner)
    : QWidget(&owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      owner_(owner) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("View"));
    charWidth_ = CharWidthOf(fontMetrics());
    lineHeight_ = LineHeightOf(fontMetrics());

    const std::vector<int> mode = SettingNumbers(SessionSettings(), "ViewMode");
    viewMode_ = !mode.empty() && mode[0] == 1 ? 1 : 0;
    const std::vector<int> colour = SettingNumbers(SessionSettings(), "BgCol");
    if (colour.size() == 3 && colour[0] != -1) {
        background_ = {uint8_t(colour[0]), uint8_t(colour[1]), uint8_t(colour[2])};
    } else {
        // Nothing chosen yet: the button shadow of the desktop, kept from now on.
        background_ = FromQColor(palette().color(QPalette::Dark));
        const int stored[] = {background_.r, background_.g, background_.b};
        SetSettingNumbers(SessionSettings(), "BgCol", stored);
    }

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame_ = frame;
    area_ = new DrawingArea(*this);
    scroll_ = new QScrollBar(Qt::Horizontal, this);
    scroll_->setObjectName(QStringLiteral("frameScroll"));
    scroll_->setSingleStep(1);
    scroll_->setPageStep(1);
    start_ = new QPushButton(tr(" 開始 "), this);
    start_->setObjectName(IdName(1001));
    stop_ = new QPushButton(tr(" 停止 "), this);
    stop_->setObjectName(IdName(1002));
    colour_ = new QPushButton(tr(" 背景色... "), this);
    colour_->setObjectName(IdName(1003));
    counter_ = new QLabel(this);
    counter_->setObjectName(QStringLiteral("counter"));
    counter_->setAlignment(Qt::AlignCenter);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        modes_[i] = new QRadioButton(this);
        modes_[i]->setObjectName(IdName(1004 + i));
        group->addButton(modes_[i], i);
    }
    modes_[viewMode_]->setChecked(true);
    written_ = new QCheckBox(tr("ロッシー結果"), this);
    written_->setObjectName(IdName(1006));
    written_->setToolTip(tr("今の書き込みオプションで GIF に保存した結果を表示します"));
    SetModeLabels();

    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(kTickMs);
    clock_.start();

    connect(start_, &QPushButton::clicked, this, &PreviewWindow::Start);
    connect(stop_, &QPushButton::clicked, this, &PreviewWindow::Stop);
    connect(colour_, &QPushButton::clicked, this, &PreviewWindow::ChooseBackground);
    connect(written_, &QCheckBox::toggled, this, &PreviewWindow::ShowWritten);
    connect(group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) ChooseMode(id);
    });
    connect(timer_, &QTimer::timeout, this, &PreviewWindow::Step);
    connect(scroll_, &QScrollBar::actionTriggered, this, [this] { Stop(); });
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
        if (!seeking_) Seek(value);
    });

    const WindowPoint stored = StoredPoint("ViewWinPos");
    const QScreen* display = QGuiApplication::primaryScreen();
    const QRect screen = display ? display->geometry() : QRect(0, 0, 1024, 768);
    if (PreviewPositionUsable(stored, screen.width(), screen.height(), charWidth_, lineHeight_))
        move(stored.x, stored.y);
    Refresh();
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::SetModeLabels() {
    const int mode = owner_.GetShell().FormatMode();
    const bool mng = mode == 1;
    modes_[0]->setText(mng ? tr("先頭ｸﾘｱせず") : QStringLiteral("IExplore"));
    modes_[1]->setText(mng ? tr("先頭ｸﾘｱする") : QStringLiteral("NetScape"));
    // Lossy coding and the target size belong to GIF saves.
    written_->setVisible(!mng);
    player_.SetRules(PreviewRules(viewMode_, mode, background_));
}

void PreviewWindow::Layout() {
    geometry_ = PreviewGeometryFor(player_.Document(), charWidth_);
    const int vw = geometry_.viewWidth, vh = geometry_.viewHeight, lh = lineHeight_, cw = charWidth_;
    // A row of its own for the lossy-result box: beside the modes it was cut
    // off in a window as narrow as a small animation makes it.
    setFixedSize(vw + 40, vh + 4 * lh + 70);
    frame_->setGeometry(19, 19, vw + 2, vh + 2);
    area_->setGeometry(20, 20, vw, vh);
    scroll_->setGeometry(20, vh + 30, width() - 40, lh);
    const int y1 = vh + lh + 40;
    start_->setGeometry(20, y1, kStartChars * cw, lh);
    stop_->setGeometry(kStartChars * cw + 30, y1, kStopChars * cw, lh);
    const int c = (kStartChars + kStopChars) * cw + 40;
    counter_->setGeometry(c, y1, kCounterChars * cw, lh);
    colour_->setGeometry(c + kCounterChars * cw + 10, y1, kColourChars * cw, lh);
    const int r = kModeChars * cw;
    modes_[0]->setGeometry(20, y1 + lh + 10, r, lh);
    modes_[1]->setGeometry(20 + r, y1 + lh + 10, r, lh);
    written_->setGeometry(20, y1 + 2 * (lh + 10), width() - 40, lh);
}

bool PreviewWindow::Reload() {
    const AnimDoc* shown = written_doc_ ? written_doc_.get() : &owner_.GetShell().Doc();
    const bool ok = player_.Load(shown, PreviewRules(viewMode_, owner_.GetShell().FormatMode(), background_));
    if (!ok) ShowError(OwnerOf(this), "メモリが足りません。");
    return ok;
}

void PreviewWindow::Rebuild() {
    Stop();
    Reload();
    loadedFrames_ = owner_.GetShell().Doc().frameCount;
    Layout();
    seeking_ = true;
    scroll_->setRange(0, player_.Document() ? player_.Document()->frameCount - 1 : 0);
    seeking_ = false;
    ShowPosition();
}

void PreviewWindow::ShowWritten(bool on) {
    Stop();
    written_doc_.reset();
    if (on) {
        // What a GIF save with the session's options writes, read back: the
        // colours after reduction and lossy coding, as a browser will show them.
        AnimDoc& doc = owner_.GetShell().Doc();
        const WriteOptions& options = owner_.GetShell().Options();
        std::string bytes;
        DocumentSaveError error = DocumentSaveError::kNone;
        if (options.TargetSize > 0) {
            const SizeTargetResult found = SearchTargetSize(
                options, uint64_t(options.TargetSize),
                [&](const WriteOptions& o, std::string& file) { return SaveGifToBytes(doc, o, file); });
            // A file over the target still shows what the strongest setting gives.
            if (found.outcome == SizeTargetResult::Outcome::kCancelled) error = DocumentSaveError::kCancelled;
            else if (found.outcome == SizeTargetResult::Outcome::kFailed) error = DocumentSaveError::kWriteFailed;
            bytes = found.file;
        } else {
            error = SaveGifToBytes(doc, options, bytes);
        }
        if (error == DocumentSaveError::kNone) {
            const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
            written_doc_ = ReadGifBytes(OwnerOf(this), std::span<const uint8_t>(data, bytes.size()));
        } else if (const char* message = DocumentSaveMessage(error); *message) {
            ShowError(OwnerOf(this), message);
        }
        if (!written_doc_) {
            const QSignalBlocker quiet(written_);
            written_->setChecked(false);
        }
    }
    Rebuild();
}

void PreviewWindow::ForgetWritten() {
    if (!written_doc_) return;
    written_doc_.reset();
    const QSignalBlocker quiet(written_);
    written_->setChecked(false);
}

void PreviewWindow::Refresh() {
    // The document changed: a file written before shows it no more.
    ForgetWritten();
    Rebuild();
    if (player_.Document() && player_.Document()->frameCount >= 2) Start();
}

void PreviewWindow::Restart() {
    const bool wasPlaying = Stop();
    Rebuild();
    if (wasPlaying) Start();
}

bool PreviewWindow::Stop() {
    const bool was = player_.Stop();
    timer_->stop();
    start_->setEnabled(true);
    stop_->setEnabled(false);
    return was;
}

void PreviewWindow::Start() {
    if (player_.Start(clock_.elapsed())) ShowPosition();
    if (!player_.Playing()) {
        Stop();
        return;
    }
    timer_->start();
    start_->setEnabled(false);
    stop_->setEnabled(true);
}

void PreviewWindow::Step() {
    // A document replaced or cut short without word to the preview is never
    // stepped through: its frames may be gone.
    const AnimDoc& doc = owner_.GetShell().Doc();
    if (player_.Document() != &doc || doc.frameCount != loadedFrames_) {
        Refresh();
        return;
    }
    if (player_.Tick(clock_.elapsed())) ShowPosition();
    if (!player_.Playing()) Stop();
}

void PreviewWindow::ShowPosition() {
    seeking_ = true;
    scroll_->setValue(player_.Index());
    seeking_ = false;
    counter_->setText(player_.Document() ? tr(" %1 コマ ").arg(player_.Index() + 1) : QString());
    area_->update();
}

void PreviewWindow::Seek(int index) {
    Stop();
    if (player_.Seek(index)) ShowPosition();
}

void PreviewWindow::ChooseBackground() {
    LoadCustomColours();
    QColorDialog dialog(ToQColor(background_), this);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    StoreCustomColours();
    if (!chosen) return;
    background_ = FromQColor(dialog.selectedColor());
    const int stored[] = {background_.r, background_.g, background_.b};
    SetSettingNumbers(SessionSettings(), "BgCol", stored);
    Restart();
}

void PreviewWindow::ChooseMode(int mode) {
    viewMode_ = mode;
    const int stored[] = {mode};
    SetSettingNumbers(SessionSettings(), "ViewMode", stored);
    Restart();
    // The canvas draws by the same choice.
    if (CanvasPart* canvas = owner_.FindPart<CanvasPart>()) canvas->RulesChanged();
}

void PreviewWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible()) SetStoredPoint("ViewWinPos", {x(), y()});
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
    Stop();
    owner_.activateWindow();
    QWidget::closeEvent(event);
}

PreviewPart::PreviewPart(MainWindow& window) : window_(window) {
    window.OnCommand(kCmdView, [this] { Toggle(); });
}

PreviewPart::~PreviewPart() { delete preview_.data(); }

void PreviewPart::Toggle() {
    if (PreviewWindow* open = Window()) {
        open->close();
        return;
    }
    delete preview_.data();  // closed, its deletion still pending
    preview_ = new PreviewWindow(window_);
    preview_->show();
}

void PreviewPart::DocumentChanged() {
    if (PreviewWindow* open = Window()) open->Refresh();
}

void PreviewPart::FormatModeChanged() {
    if (PreviewWindow* open = Window()) open->SetModeLabels();
}

bool PreviewPart::StopPlayback() {
    PreviewWindow* open = Window();
    return open && open->Stop();
}

void PreviewPart::ResumePlayback() {
    if (PreviewWindow* open = Window()) open->Start();
}


void RestartPreview(MainWindow& window) {
    if (PreviewPart* part = window.FindPart<PreviewPart>(); part && part->Window()) {
        part->Window()->ForgetWritten();
        part->Window()->Restart();
    }
}

}  // namespace kivo
