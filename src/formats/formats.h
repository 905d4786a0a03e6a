// Every format's functions: the read functions and content tests of the import rows, the
// write functions of the export rows, and the readers other formats reuse. The tables in
// format_tables.cpp name them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "store/import_format.h"
#include "store/records.h"

class ByteReader;
class File;
class WaveStore;

// Raw data of a layout the user states (the "*" row).
bool gen_Read(WaveStore& store, File& file);

// RIFF WAVE.
bool wav_ReadFile(WaveStore& store, File& file);
int wav_Detect(std::span<const std::uint8_t, kDetectBytes> head);
// Walks the chunks that begin in [start, end) of `file` and fills `wave` and `instrument`,
// which need not be items of the store. False with LastError ("wav_Read").
bool wav_Read(WaveStore& store, const File& file, std::uint32_t listType, WavesampleRec& wave,
              InstrumentRec& instrument, std::uint64_t start, std::uint64_t end);
bool wav_Write(WaveStore& store, File* file, ItemId item);

// AIFF, AIFC and the IFF sampled voices 8SVX and 16SV: one reader for all four rows.
bool xiff_Read(WaveStore& store, File& file);
int aiff_Detect(std::span<const std::uint8_t, kDetectBytes> head);
int aifc_Detect(std::span<const std::uint8_t, kDetectBytes> head);
int iff_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool aiff_Write(WaveStore& store, File* file, ItemId item);
bool iff_Write(WaveStore& store, File* file, ItemId item);

// Sun/NeXT/DEC audio.
bool au_Read(WaveStore& store, File& file);
int au_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool au_Write(WaveStore& store, File* file, ItemId item);

// Single-sample sound files: Audio Visual Research, IRCAM, Samplevision, Sndtool, Sounder,
// SoundCap/SoundEdit (DEWF) and Audio-CD data.
bool avr_Read(WaveStore& store, File& file);
int avr_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool sf_Read(WaveStore& store, File& file);
int sf_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool smp_Read(WaveStore& store, File& file);
int smp_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool sndt_Read(WaveStore& store, File& file);
int sndt_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool sndr_Read(WaveStore& store, File& file);
int sndr_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool dewf_Read(WaveStore& store, File& file);
bool cdr_Read(WaveStore& store, File& file);

// Creative Voice: the sound blocks of one layout as one wavesample, read by its own routine.
bool voc_Read(WaveStore& store, File& file);
int voc_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool voc_Copy(const WavesampleRec& wave, SampleSink& sink);

// Headerless data: signed 8-bit (rows "raw" and "sam"), unsigned 8-bit, US telephony mu-law,
// and text with one number per sample.
bool raw_Read(WaveStore& store, File& file);
bool snd_Read(WaveStore& store, File& file);
bool ul_Read(WaveStore& store, File& file);
bool txt_Read(WaveStore& store, File& file);
int txt_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool txt_Copy(const WavesampleRec& wave, SampleSink& sink);
bool raw_Write(WaveStore& store, File* file, ItemId item);
bool snd_Write(WaveStore& store, File* file, ItemId item);

// The text description of any item, and the note names it uses ("C4" for key 60).
bool txt_Write(WaveStore& store, File* file, ItemId item);
std::string NoteName(int key);

// GF1 patches.
bool pat_Read(WaveStore& store, File& file);
int pat_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool pat_Write(WaveStore& store, File* file, ItemId item);

// SoundFont banks, format version 1.
bool sbk_Read(WaveStore& store, File& file);
int sbk_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool sbk_Write(WaveStore& store, File* file, ItemId item);

// SoundFont 2 banks: read as the presets with the zones of their instruments (a version 1
// bank is read as "sbk" reads it).
bool sf2_Read(WaveStore& store, File& file);
int sf2_Detect(std::span<const std::uint8_t, kDetectBytes> head);
// Written as SoundFont 2 banks and SFZ instruments (the SFZ's samples as WAVE files in a
// folder beside it).
bool sf2_Write(WaveStore& store, File* file, ItemId item);
bool sfz_Write(WaveStore& store, File* file, ItemId item);

// WaveFront banks, drum kits and programs: one reader for the three rows, one writer for banks
// and programs.
bool wfs_Read(WaveStore& store, File& file);
int wfs_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool wfs_Write(WaveStore& store, File* file, ItemId item);

// Tracker modules: Amiga/PC (MOD), Scream Tracker 3 modules and instruments, Scream Tracker 2.
bool mod_Read(WaveStore& store, File& file);
int mod_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool s3m_Read(WaveStore& store, File& file);
int s3m_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool s3i_Read(WaveStore& store, File& file);
int s3i_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool stm_Read(WaveStore& store, File& file);

// Fast Tracker 2 extended modules and instruments, which share their sample headers and data.
bool xm_Read(WaveStore& store, File& file);
int xm_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool xi_Read(WaveStore& store, File& file);
int xi_Detect(std::span<const std::uint8_t, kDetectBytes> head);
constexpr std::uint32_t kXmMaxSamples = 16;  // of one instrument
// Reads the sample header at the reader's position (then skips `skip` bytes) as wavesample
// `instrument` × 256 + `sample`; returns the bytes its data takes up in the file.
std::uint64_t xm_ReadSample(WaveStore& store, ByteReader& reader, std::uint64_t skip, std::uint32_t instrument,
                            std::uint32_t sample, bool linear);
// Reads `count` (at most kXmMaxSamples) sample headers of `headerSize` bytes and then their data,
// leaving the reader after the data; samples shorter than 2 frames are dropped.
void xm_ReadSamples(WaveStore& store, ByteReader& reader, std::uint32_t headerSize, std::uint32_t instrument,
                    std::uint32_t count, bool linear);

// Digitrakker modules and samples, whose 8-bit data may be bit-packed.
bool mdl_Read(WaveStore& store, File& file);
int mdl_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool spl_Read(WaveStore& store, File& file);
int spl_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool spl_Copy(const WavesampleRec& wave, SampleSink& sink);

// Tracker sample banks: 669, MultiTracker, the Farandoyle module, sample file and linear
// module, the UltraTracker module and wave file, and Protracker Studio.
bool fmt669_Read(WaveStore& store, File& file);
int fmt669_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool mtm_Read(WaveStore& store, File& file);
int mtm_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool far_Read(WaveStore& store, File& file);
int far_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool fsm_Read(WaveStore& store, File& file);
int fsm_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool f2r_Read(WaveStore& store, File& file);
int f2r_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool ult_Read(WaveStore& store, File& file);
int ult_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool uwf_Read(WaveStore& store, File& file);
int uwf_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool psm_Read(WaveStore& store, File& file);
int psm_Detect(std::span<const std::uint8_t, kDetectBytes> head);

// Tracker modules found by chunks or offsets: Digital Sound Modules, Delusion/XTracker modules and
// samples, Oktalyzer, OctaMED and MikMod Unimod modules.
bool dsm_Read(WaveStore& store, File& file);
int dsm_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool dmf_Read(WaveStore& store, File& file);
int dmf_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool dsf_Read(WaveStore& store, File& file);
int dsf_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool okt_Read(WaveStore& store, File& file);
int okt_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool med_Read(WaveStore& store, File& file);
int med_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool uni_Read(WaveStore& store, File& file);
int uni_Detect(std::span<const std::uint8_t, kDetectBytes> head);

// Kurzweil K2000 program files, single (.krz) or a numbered floppy set (.kr1, .kr2, ...), whose
// sample data the copy routine follows from file to file.
bool krz_Read(WaveStore& store, File& file);
int krz_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool krz_Copy(const WavesampleRec& wave, SampleSink& sink);

// Ensoniq EPS family: instrument files (rows "efe" and "ins"), tagged and compacted disk images.
bool efe_Read(WaveStore& store, File& file);
int efe_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool gkh_Read(WaveStore& store, File& file);
int gkh_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool eui_Read(WaveStore& store, File& file);
// Reads the instrument at `start` of `file`: each present layer becomes an instrument from
// index `base` on, each wave of it wavesample `base` × 65536 + layer × 256 + wave. False with
// LastError ("ins_Read"); what was made before a failure stays.
bool ins_Read(WaveStore& store, const File& file, std::uint64_t start, std::uint32_t base);

// Sampler waves: Yamaha SY-series and TX16W waves (12-bit packed), AKAI MPC3000 samples.
bool syw_Read(WaveStore& store, File& file);
int syw_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool txw_Read(WaveStore& store, File& file);
int txw_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool txw_Copy(const WavesampleRec& wave, SampleSink& sink);
bool akai_WaveRead(WaveStore& store, File& file);
// Roland S-550, S-50 and S-330 disk images, 12-bit packed like the TX16W's.
bool sdk_Read(WaveStore& store, File& file);
int sdk_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool sdk12_Copy(const WavesampleRec& wave, SampleSink& sink);
int akai_Detect(std::span<const std::uint8_t, kDetectBytes> head);
// MIDI Sample Dumps: raw system-exclusive dumps (read and written) and the SDX container.
bool sds_Read(WaveStore& store, File& file);
int sds_Detect(std::span<const std::uint8_t, kDetectBytes> head);
bool sds_Copy(const WavesampleRec& wave, SampleSink& sink);
bool sds_Write(WaveStore& store, File* file, ItemId item);
bool sdx_Read(WaveStore& store, File& file);
int sdx_Detect(std::span<const std::uint8_t, kDetectBytes> head);

// The pseudo-targets: playback on the wave output device, and the clipboard.
bool dac_Write(WaveStore& store, File* file, ItemId item);
bool clip_Write(WaveStore& store, File* file, ItemId item);
