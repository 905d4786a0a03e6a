// The software wavetable synthesizer: an instrument file read with the import driver into
// memory, played from MIDI messages into interleaved stereo 16-bit frames. No device code:
// an audio stream pulls the frames.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

class SoftSynth {
public:
    static constexpr int kVoices = 32;

    explicit SoftSynth(std::uint32_t outputRate);
    ~SoftSynth();
    SoftSynth(const SoftSynth&) = delete;
    SoftSynth& operator=(const SoftSynth&) = delete;

    // Reads the instruments (or, in a file without any, the wavesamples) of a file KOBA reads
    // and decodes their data; what sounds stops. The import has a host of its own, so the
    // user's settings and status line stay as they are. False with LastError, the last
    // instruments kept.
    [[nodiscard]] bool Load(const std::string& path);
    // One MIDI message: Note On and Off, Program Change, pitch bend, all sound off (120), reset
    // controllers (121), all notes off (123). Queued without a lock for the next Render; from one
    // thread only.
    void Send(std::span<const std::uint8_t> message);
    // Fills `stereo` (left, right, ...) with the next frames. On the audio thread: no
    // allocation, and no waiting: while Load swaps the instruments the piece is silent.
    void Render(std::span<std::int16_t> stereo);

    // What sounds, as seen by the rendering thread.
    int ActiveVoices() const;
    bool Sounding(std::uint8_t key) const;

    // Defined beside the engine, for its helpers there.
    struct Wave;
    struct Instrument;
    struct Bank;
    struct Voice;

private:
    struct Message {
        std::uint8_t bytes[3];
    };
    static constexpr std::uint32_t kQueueSize = 256;

    void Apply(const Message& message);
    void Controller(std::uint8_t number);
    void NoteOn(std::uint8_t key, std::uint8_t velocity);
    void NoteOff(std::uint8_t key);
    Voice& FreeVoice();
    void MixBlock(float* mix, std::uint32_t frames);

    std::uint32_t outputRate_;
    std::unique_ptr<Bank> bank_;
    std::unique_ptr<Voice[]> voices_;
    std::mutex bankMutex_;  // held by Render, and by Load only to swap the bank
    Message queue_[kQueueSize] = {};
    std::atomic<std::uint32_t> queueHead_ = 0;  // written by Send
    std::atomic<std::uint32_t> queueTail_ = 0;  // written by Render
    int instrument_ = 0;
    double bendRatio_ = 1.0;
    std::uint64_t notesStarted_ = 0;
};
