// The on-screen keyboard under the tree: three octaves of keys played with the mouse or, while
// it has the focus, with the computer keyboard's two lower letter rows (Z from C3, Q from C4).
#pragma once

#include <QWidget>
#include <functional>

#include "host/midi.h"

class KeyStrip : public QWidget {
public:
    // Each Note On (velocity 100) and Note Off (a Note On with velocity 0) goes to `play`.
    explicit KeyStrip(std::function<void(MidiBytes)> play, QWidget* parent = nullptr);

    static constexpr int kFirstKey = 48;
    static constexpr int kKeys = 36;
    // The key under a point of the strip, or -1.
    int KeyAt(QPoint point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QRect KeyRect(int key) const;
    void Note(int key, bool on);

    std::function<void(MidiBytes)> play_;
    int mouseKey_ = -1;
    std::vector<int> down_;
};
