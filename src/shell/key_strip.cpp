#include "shell/key_strip.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr bool kBlack[12] = {false, true, false, true, false, false, true, false, true, false, true, false};
constexpr int kWhitesBefore[12] = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};
constexpr int kWhiteKeys = KeyStrip::kKeys / 12 * 7;
// Computer keys in semitone order from C3 and from C4, as on a piano's layout.
constexpr char kLowRow[] = "ZSXDCVGBHNJM";
constexpr char kHighRow[] = "Q2W3ER5T6Y7U";

int KeyOfLetter(int qtKey)
{
    for (int i = 0; i < 12; ++i) {
        if (qtKey == kLowRow[i]) return KeyStrip::kFirstKey + i;
        if (qtKey == kHighRow[i]) return KeyStrip::kFirstKey + 12 + i;
    }
    return -1;
}

}  // namespace

KeyStrip::KeyStrip(std::function<void(MidiBytes)> play, QWidget* parent) : QWidget(parent), play_(std::move(play))
{
    setObjectName("keys");
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(kWhiteKeys * 6, 32);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip("Play the selected item: click, or use the keys Z-M and Q-U");
}

QRect KeyStrip::KeyRect(int key) const
{
    const int offset = key - kFirstKey, note = offset % 12;
    const int white = offset / 12 * 7 + kWhitesBefore[note];
    const int left = white * width() / kWhiteKeys, right = (white + 1) * width() / kWhiteKeys;
    if (!kBlack[note]) return QRect(left, 0, right - left, height());
    const int half = (right - left) / 3;
    return QRect(left - half, 0, 2 * half, height() * 3 / 5);
}

int KeyStrip::KeyAt(QPoint point) const
{
    for (int key = kFirstKey; key < kFirstKey + kKeys; ++key) {  // black keys lie on top
        if (kBlack[key % 12] && KeyRect(key).contains(point)) return key;
    }
    for (int key = kFirstKey; key < kFirstKey + kKeys; ++key) {
        if (KeyRect(key).contains(point)) return key;
    }
    return -1;
}

void KeyStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (const bool black : {false, true}) {
        for (int key = kFirstKey; key < kFirstKey + kKeys; ++key) {
            if (kBlack[key % 12] != black) continue;
            const bool down = std::find(down_.begin(), down_.end(), key) != down_.end();
            painter.setPen(Qt::black);
            painter.setBrush(down ? palette().highlight().color() : black ? Qt::black : Qt::white);
            painter.drawRect(KeyRect(key).adjusted(0, 0, -1, -1));
        }
    }
}

void KeyStrip::Note(int key, bool on)
{
    if (key < 0) return;
    const auto at = std::find(down_.begin(), down_.end(), key);
    if (on == (at != down_.end())) return;
    on ? down_.push_back(key) : static_cast<void>(down_.erase(at));
    play_({0x90, static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(on ? 100 : 0)});
    update();
}

void KeyStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    mouseKey_ = KeyAt(event->position().toPoint());
    Note(mouseKey_, true);
}

void KeyStrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    Note(mouseKey_, false);
    mouseKey_ = -1;
}

void KeyStrip::keyPressEvent(QKeyEvent* event)
{
    const int key = KeyOfLetter(event->key());
    if (key < 0) return QWidget::keyPressEvent(event);
    if (!event->isAutoRepeat()) Note(key, true);
}

void KeyStrip::keyReleaseEvent(QKeyEvent* event)
{
    const int key = KeyOfLetter(event->key());
    if (key < 0) return QWidget::keyReleaseEvent(event);
    if (!event->isAutoRepeat()) Note(key, false);
}
