#!/usr/bin/env bash
# End-to-end conversions of one long sound, stored as 16-bit stereo PCM, IMA ADPCM, MS ADPCM
# and mu-law WAVE, to 16-bit PCM WAVE by kobacli, SoX and libsndfile's sndfile-convert in the
# same run: wall time (best of RUNS) and peak resident memory of each, and KOBA's time and
# memory beside the others'. The sources are made once by SoX under bench-data/.
#
#   bash bench/convert_bench.sh [KOBACLI] [SECONDS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
kobacli=${1:-build/kobacli}
seconds=${2:-1500}  # 1500 s of 44.1 kHz 16-bit stereo: 265 MB
runs=${3:-3}
data=bench-data/convert
out=$(mktemp -d /tmp/koba-bench.XXXXXX)
trap 'rm -rf "$out"' EXIT
mkdir -p "$data"

make_source() {  # NAME SOX-ENCODING-OPTIONS
    local file=$data/$1.wav
    [ -s "$file" ] && return
    if [ "$1" = pcm ]; then
        sox -n -r 44100 -c 2 -b 16 -e signed "$file" synth "$seconds" sine 440 sine 661 vol 0.7
    else
        sox "$data/pcm.wav" $2 "$file"
    fi
}
make_source pcm ""
make_source ima "-e ima-adpcm"
make_source ms "-e ms-adpcm"
make_source mulaw "-e mu-law"

# Best wall time in seconds and the largest peak RSS in KB over the runs of one command.
measure() {
    local best="" rss=0 line t m
    for _ in $(seq "$runs"); do
        rm -f "$out"/*.wav
        /usr/bin/time -o "$out/time" -f "%e %M" "$@" >/dev/null 2>&1
        line=$(tail -1 "$out/time")
        t=${line% *}
        m=${line#* }
        if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
        [ "$m" -gt "$rss" ] && rss=$m
    done
    echo "$best $rss"
}

printf '%-7s %8s %8s %8s  %9s %9s  %8s %8s %8s\n' coding koba_s sox_s sndf_s koba/sox koba/sndf koba_MB sox_MB sndf_MB
for coding in pcm ima ms mulaw; do
    src=$data/$coding.wav
    read -r kt km < <(measure "$kobacli" convert "$src" "$out/koba.wav")
    read -r st sm < <(measure sox "$src" -b 16 -e signed "$out/sox.wav")
    read -r ft fm < <(measure sndfile-convert -pcm16 "$src" "$out/sndfile.wav")
    awk -v c="$coding" -v kt="$kt" -v st="$st" -v ft="$ft" -v km="$km" -v sm="$sm" -v fm="$fm" 'BEGIN {
        printf "%-7s %8.2f %8.2f %8.2f  %9.2f %9.2f  %8.1f %8.1f %8.1f\n", c, kt, st, ft, kt / st, kt / ft,
               km / 1024, sm / 1024, fm / 1024 }'
done
