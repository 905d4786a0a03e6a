// The Audio Player: the wavesample that is playing, ">" to play it again and ">> Next >>".
#pragma once

#include <QDialog>

#include "host/host.h"

class AudioPlayer : public QDialog {
public:
    AudioPlayer(const AudioPlayerPage& page, QWidget* owner);
};
