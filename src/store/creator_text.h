// The creator texts written into instruments and files: a fixed prefix and our notice.
#pragma once

#define KOBA_MAKER_NOTICE "sample & wavetable instrument tools"

inline constexpr char kCreatorText[] = "KOBA Converter v2.0, " KOBA_MAKER_NOTICE;
inline constexpr char kCreatedByText[] = "Created by KOBA v2.0, " KOBA_MAKER_NOTICE;
inline constexpr char kShortCreatorText[] = "KOBA v2.0, " KOBA_MAKER_NOTICE;

static_assert(sizeof kCreatorText == 57);  // a GF1 patch description holds exactly this
static_assert(sizeof kShortCreatorText <= 48);
static_assert(sizeof kCreatedByText == 58);  // a SoundFont "ICOP" chunk holds exactly this

#undef KOBA_MAKER_NOTICE
