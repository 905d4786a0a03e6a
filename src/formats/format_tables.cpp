// The import and export format tables. Row order is behaviour: detection lets the later
// import row win a tie, and row indices are stored (settings, bank names, Save As choices).
#include "formats/format_tables.h"

#include <array>

#include "formats/formats.h"
#include "store/wave_store.h"

namespace {

constexpr std::array<ImportFormat, 60> kImportFormats = {{
    {"669", fmt669_Read, fmt669_Detect, "669 tracker module", "669_Read"},
    {"aif", xiff_Read, aiff_Detect, "Audio Interchange File Format", "xiff_Read"},
    {"aiff", xiff_Read, aiff_Detect, "Audio Interchange File Format", "xiff_Read"},
    {"aifc", xiff_Read, aifc_Detect, "Compressed Audio Interchange File Format", "xiff_Read"},
    {"au", au_Read, au_Detect, "Sun/NeXT/DEC audio", "au_Read"},
    {"avr", avr_Read, avr_Detect, "Audio Visual Research sound files", "avr_Read"},
    {"cdr", cdr_Read, AlwaysWeak, "Audio-CD format data", "cdr_Read"},
    {"dewf", dewf_Read, AlwaysWeak, "SoundCap/SoundEdit recorded instrument", "dewf_Read"},
    {"dmf", dmf_Read, dmf_Detect, "Delusion/XTracker Digital Music File", "dmf_Read"},
    {"dsf", dsf_Read, dsf_Detect, "Delusion/XTracker Digital Sample File", "dsf_Read"},
    {"dsm", dsm_Read, dsm_Detect, "Digital Sound Module format", "dsm_Read"},
    {"efe", efe_Read, efe_Detect, "Ensoniq EPS family instrument", "efe_Read"},
    {"eui", eui_Read, AlwaysWeak, "Ensoniq EPS family compacted disk Image", "eui_Read"},
    {"f2r", f2r_Read, f2r_Detect, "Farandoyle Linear v2 module format", "far_Read"},
    {"far", far_Read, far_Detect, "Farandoyle module format", "far_Read"},
    {"fsm", fsm_Read, fsm_Detect, "Farandoyle Sample format", "fsm_Read"},
    {"gkh", gkh_Read, gkh_Detect, "Ensoniq EPS family disk image", "gkh_Read"},
    {"iff", xiff_Read, iff_Detect, "Interchange File Format", "xiff_Read"},
    {"ins", efe_Read, efe_Detect, "Ensoniq EPS family intrument", "efe_Read"},
    {"kr1", krz_Read, krz_Detect, "Kurzweil 2000 file (multifloppy)", "krz_Read"},
    {"krz", krz_Read, krz_Detect, "Kurzweil 2000 file", "krz_Read"},
    {"med", med_Read, med_Detect, "OctaMED tracker modules", "med_Read"},
    {"mdl", mdl_Read, mdl_Detect, "Digitrakker MoDuLe format", "mdl_Read"},
    {"mod", mod_Read, mod_Detect, "Amiga/PC tracker Module", "mod_Read"},
    {"mtm", mtm_Read, mtm_Detect, "MultiTracker Module", "mtm_Read"},
    {"okt", okt_Read, okt_Detect, "Oktalyzer module", "okt_Read"},
    {"pat", pat_Read, pat_Detect, "Gravis Ultrasound / Forte Patch", "pat_Read"},
    {"psm", psm_Read, psm_Detect, "Protracker Studio Module format", "psm_Read"},
    {"raw", raw_Read, AlwaysWeak, "Raw signed 8bit PCM data", "raw_Read"},
    {"s3i", s3i_Read, s3i_Detect, "Scream tracker v3 instrument", "s3i_Read"},
    {"s3m", s3m_Read, s3m_Detect, "Scream tracker v3 module", "s3m_Read"},
    {"sam", raw_Read, AlwaysWeak, "Signed 8bit Sample data", "sam_Read"},
    {"sbk", sbk_Read, sbk_Detect, "Emu SoundFonts Bank / SB AWE32", "sbk_Read"},
    {"sdk", sdk_Read, sdk_Detect, "Roland S-550, S-50, S-330 disk image", "sdk_Read"},
    {"sds", sds_Read, sds_Detect, "Raw Midi Sample Dump Standard", "sds_Read"},
    {"sdx", sdx_Read, sdx_Detect, "Compacted Midi Sample Dump", "sdx_Read"},
    {"sf", sf_Read, sf_Detect, "IRCAM SoundFile format", "sf_Read"},
    {"smp", smp_Read, smp_Detect, "Samplevision file", "smp_Read"},
    {"snd", snd_Read, AlwaysWeak, "Raw unsigned 8bit PCM data", "snd_Read"},
    {"snd", akai_WaveRead, akai_Detect, "AKAI MPC3000 sample files", "akai_WaveRead"},
    {"sndr", sndr_Read, sndr_Detect, "Sounder sound file", "sndr_Read"},
    {"sndt", sndt_Read, sndt_Detect, "Sndtool sound file", "sndt_Read"},
    {"spl", spl_Read, spl_Detect, "Digitrakker SamPLe format", "spl_Read"},
    {"stm", stm_Read, AlwaysWeak, "Scream Tracker v2 Module", "stm_Read"},
    {"syw", syw_Read, syw_Detect, "Yamaha SY-series Wave file", "syw_Read"},
    {"txt", txt_Read, txt_Detect, "Text formatted audio data", "txt_Read"},
    {"txw", txw_Read, txw_Detect, "Yamaha TX16W Wave file", "txw_Read"},
    {"ul", ul_Read, AlwaysWeak, "US telephony format audio", "ul_Read"},
    {"ult", ult_Read, ult_Detect, "UltraTracker module", "ult_Read"},
    {"uni", uni_Read, uni_Detect, "MikMod Unimod module", "uni_Read"},
    {"uwf", uwf_Read, uwf_Detect, "UltraTracker Wave File", "uwf_Read"},
    {"voc", voc_Read, voc_Detect, "Creative labs VOiCe file", "voc_Read"},
    {"wav", wav_ReadFile, wav_Detect, "Ms Windows wave file", "wav_Read"},
    {"wfb", wfs_Read, wfs_Detect, "Turtle Beach WavePatch Bank", "wfs_Read"},
    {"wfd", wfs_Read, wfs_Detect, "Turtle Beach WavePatch Drum set", "wfs_Read"},
    {"wfp", wfs_Read, wfs_Detect, "Turtle Beach WavePatch Program", "wfs_Read"},
    {"xi", xi_Read, xi_Detect, "Fast Tracker 2 extended instrument", "xi_Read"},
    {"xm", xm_Read, xm_Detect, "Fast Tracker 2 extended module", "xm_Read"},
    {"*", gen_Read, AlwaysWeak, "Generic Raw Audio File", "*_Read"},
    // Added after the raw row to keep earlier indices: a version 2 bank scores 2 and so wins
    // over "sbk" even under that extension, a version 1 bank scores 0 and stays with "sbk".
    {"sf2", sf2_Read, sf2_Detect, "SoundFont 2 bank", "sf2_Read"},
}};

constexpr std::uint32_t kWave = kWaveKind;
constexpr std::uint32_t kInst = kInstrumentKind;
constexpr std::uint32_t kBank = kBankId;
constexpr std::uint32_t kFolder = kFolderKind;

constexpr std::array<ExportFormat, 16> kExportFormats = {{
    {"'DAC'", dac_Write, "Digital Audio Playback Device", kWave | kInst | kBank, true, "dac_Write"},
    {"'CLIP'", clip_Write, "Copy to Windows Clipboard", kWave, true, "clip_Write"},
    {"au", au_Write, "Sun Audio Format", kWave, false, "au_Write"},
    {"aif", aiff_Write, "Audio Interchange File Format", kWave, false, "aiff_Write"},
    {"iff", iff_Write, "Interchange File Format", kWave, false, "iff_Write"},
    {"pat", pat_Write, "Advanced Gravis UltraSound Patch", kWave | kInst, false, "pat_Write"},
    {"raw", raw_Write, "Raw Signed Data", kWave, false, "raw_Write"},
    {"sbk", sbk_Write, "Emu SoundFonts Bank / SB AWE32", kWave | kInst | kBank, false, "sbk_Write"},
    {"sds", sds_Write, "Midi Sample Dump", kWave, false, "sds_Write"},
    {"snd", snd_Write, "Raw Unsigned Data", kWave, false, "snd_Write"},
    {"txt", txt_Write, "Ascii Text Description", kWave | kInst | kBank | kFolder, false, "txt_Write"},
    {"wav", wav_Write, "Ms Windows PCM waves", kWave, false, "wav_Write"},
    {"wfb", wfs_Write, "Turtle Beach WaveFront Bank", kBank, false, "wfs_Write"},
    {"wfp", wfs_Write, "Turtle Beach WaveFront Program", kWave | kInst, false, "wfs_Write"},
    {"sf2", sf2_Write, "SoundFont 2 bank", kWave | kInst | kBank, false, "sf2_Write"},
    {"sfz", sfz_Write, "SFZ instrument", kWave | kInst | kBank, false, "sfz_Write"},
}};

}  // namespace

std::span<const ImportFormat> ImportTable()
{
    return kImportFormats;
}

std::span<const ExportFormat> ExportTable()
{
    return kExportFormats;
}
