// KOBA's program icon: a waveform over a keyboard, as scalable vector graphics.
#pragma once

inline constexpr char kKobaIconSvg[] = R"(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <rect x="2" y="2" width="60" height="60" rx="10" fill="#1d3557"/>
  <path d="M6 24 Q12 6 18 24 T30 24 T42 24 T54 24 L58 24" fill="none" stroke="#f1c453" stroke-width="4" stroke-linecap="round"/>
  <rect x="8" y="36" width="48" height="20" rx="2" fill="#f1faee"/>
  <g fill="#1d3557">
    <rect x="14" y="36" width="4" height="12"/><rect x="22" y="36" width="4" height="12"/>
    <rect x="34" y="36" width="4" height="12"/><rect x="42" y="36" width="4" height="12"/><rect x="50" y="36" width="4" height="12"/>
  </g>
</svg>
)";
