// The creator texts written into instruments and files: a fixed prefix and our notice.
#pragma once

#define KOBA_MAKER_NOTICE "wavetable instrument converter"

inline constexpr char kCreatorText[] = "KOBA Converter v2.0, " KOBA_MAKER_NOTICE;
inline constexpr char kCreatedByText[] = "Created by KOBA v2.0, " KOBA_MAKER_NOTICE;
inline constexpr char kShortCreatorText[] = "KOBA v2.0, " KOBA_MAKER_NOTICE;

static_assert(sizeof kCreatorText <= 81);
static_assert(sizeof kShortCreatorText <= 48);

#undef KOBA_MAKER_NOTICE
