#!/usr/bin/env bash
# Writes the seed corpora under tests/fuzz/corpus/<row>/: small files of each implemented row,
# made by SoX and libsndfile, by KOBA itself, and cut from the shared test files. Run after a
# reviewed change of what the seeds should hold; the files are kept in the tree.
#   bash tests/fuzz/make_corpus.sh [KOBACLI]
set -euo pipefail
cd "$(dirname "$0")"
kobacli=$(realpath "${1:-../../build/kobacli}")
corpus=corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$corpus"/{wav,aiff,iff,au,voc,txt,pat,sbk,sf2,gen}

# WAVE: every coding the reader knows, short, from SoX and libsndfile.
tone() { sox -n -r 11025 -c "$1" -b 16 -e signed "$work/tone$1.wav" synth 0.08 sine 440 sine 660; }
tone 1; tone 2
sox "$work/tone1.wav" -b 8 -e unsigned "$corpus/wav/pcm8.wav"
cp "$work/tone2.wav" "$corpus/wav/pcm16-stereo.wav"
sox "$work/tone1.wav" -b 24 "$corpus/wav/pcm24.wav"
sox "$work/tone1.wav" -e floating-point -b 32 "$corpus/wav/float32.wav"
sox "$work/tone1.wav" -e mu-law "$corpus/wav/mulaw.wav"
sox "$work/tone2.wav" -e a-law "$corpus/wav/alaw-stereo.wav"
sox "$work/tone1.wav" -e ima-adpcm "$corpus/wav/ima.wav"
sox "$work/tone2.wav" -e ms-adpcm "$corpus/wav/ms-stereo.wav"
sndfile-convert -ima-adpcm "$work/tone2.wav" "$corpus/wav/ima-stereo-sndfile.wav"
sndfile-convert -pcm32 "$work/tone1.wav" "$corpus/wav/extensible-sndfile.wav"
# KOBA's own WAVE (names, cue points, labels, a sampler chunk) of a looped sound.
python3 - "$work/tone1.wav" "$work/looped.wav" <<'PY'
import struct, sys
src = open(sys.argv[1], 'rb').read()
data = src[src.index(b'data') + 8:][:1200]
def chunk(cid, body):
    return cid + struct.pack('<I', len(body)) + body + (b'\0' if len(body) & 1 else b'')
fmt = struct.pack('<HHIIHH', 1, 1, 11025, 22050, 2, 16)
smpl = struct.pack('<9I', 0, 0, 90703, 60, 0, 0, 0, 1, 0) + struct.pack('<6I', 0, 0, 100, 500, 0, 0)
body = b'WAVE' + chunk(b'fmt ', fmt) + chunk(b'data', data) + chunk(b'smpl', smpl)
open(sys.argv[2], 'wb').write(chunk(b'RIFF', body))
PY
"$kobacli" convert "$work/looped.wav" "$corpus/wav/koba-loop.wav" >/dev/null

# AIFF and AIFC (the "aiff" row reads both) and IFF 8SVX and 16SV: SoX's, libsndfile's and KOBA's.
sox "$work/tone1.wav" -b 8 "$corpus/aiff/pcm8.aif"
sox "$work/tone2.wav" "$corpus/aiff/pcm16-stereo.aif"
sox "$work/tone1.wav" -b 24 "$corpus/aiff/pcm24.aif"
sox "$work/tone1.wav" -e floating-point "$corpus/aiff/float32.aifc"
sndfile-convert -endian=little -pcm16 "$work/tone2.wav" "$corpus/aiff/sowt-stereo.aifc"
sndfile-convert -ulaw "$work/tone1.wav" "$corpus/aiff/ulaw.aifc"
sndfile-convert -alaw "$work/tone1.wav" "$corpus/aiff/alaw.aifc"
"$kobacli" convert "$work/looped.wav" "$corpus/aiff/koba-loop.aif" >/dev/null
sox "$work/tone1.wav" -b 8 "$corpus/iff/sox.8svx"
sndfile-convert -pcm16 "$work/tone1.wav" "$corpus/iff/sndfile-16sv.svx"
"$kobacli" convert "$work/looped.wav" "$corpus/iff/koba-loop.iff" >/dev/null
"$kobacli" convert "$corpus/wav/pcm8.wav" "$corpus/iff/koba-8svx.iff" >/dev/null

# GF1 patches: KOBA's, and a freepats patch cut after its first wave's headers.
"$kobacli" convert "$corpus/wav/pcm8.wav" "$corpus/pat/koba-8bit.pat" >/dev/null
"$kobacli" convert "$work/tone1.wav" "$corpus/pat/koba-16bit.pat" >/dev/null
head -c 3000 /usr/share/midi/freepats/Tone_000/000_Acoustic_Grand_Piano.pat >"$corpus/pat/freepats-cut.pat"

# SoundFont 1 banks: KOBA's, and the real banks with their sample data cut to 2 KB (their
# presets, zones and generators kept).
"$kobacli" convert "$work/looped.wav" "$corpus/pat/koba-loop.pat" >/dev/null
"$kobacli" convert "$work/looped.wav" "$corpus/sbk/koba-loop.sbk" >/dev/null
for bank in Echo The_Fairy_Lake; do
    python3 - "../../../shared/testdata/sbk/$bank.OLD.sbk" "$corpus/sbk/$bank-cut.sbk" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
def chunks(b, off, end):
    out = b''
    while off + 8 <= end:
        cid, size = b[off:off + 4], struct.unpack('<I', b[off + 4:off + 8])[0]
        body = b[off + 8:off + 8 + size]
        if cid in (b'RIFF', b'LIST'):
            body = body[:4] + chunks(b, off + 12, off + 8 + size)
        elif cid == b'smpl':
            body = body[:2048]
        out += cid + struct.pack('<I', len(body)) + body + (b'\0' if len(body) & 1 else b'')
        off += 8 + size + (size & 1)
    return out
open(sys.argv[2], 'wb').write(chunks(data, 0, len(data)))
PY
done

# SoundFont 2 banks: a small one of two presets (global zones, preset generators, a stereo
# pair, a ROM sample), once with 24-bit data.
python3 - "$corpus/sf2" <<'PY'
import struct, sys
def chunk(cid, body):
    return cid + struct.pack('<I', len(body)) + body + (b'\0' if len(body) & 1 else b'')
def riff_list(kind, *chunks):
    return chunk(b'LIST', kind + b''.join(chunks))
def name(text):
    return text.encode().ljust(20, b'\0')
def gens(*pairs):
    return b''.join(struct.pack('<Hh', n, a) for n, a in pairs)
samples = [(0, 300, 50, 250, 1), (346, 646, 346, 646, 4), (692, 992, 692, 992, 2), (50000, 50100, 0, 0, 0x8001)]
shdr = b''.join(name('s%d' % i) + struct.pack('<5IBbHH', s, e, ls, le, 22050, 60, -7, 2 if t == 4 else 1 if t == 2 else 0, t)
                for i, (s, e, ls, le, t) in enumerate(samples)) + name('EOS') + bytes(26)
igen = gens((17, 200), (52, 30), (43, 0 + 59 * 256), (58, 48), (54, 1), (53, 0), (43, 60 + 127 * 256), (53, 1),
            (43, 60 + 127 * 256), (53, 2), (2, 10), (53, 3), (0, 0))
ibag = struct.pack('<12H', 0, 0, 2, 0, 6, 0, 8, 0, 10, 0, 12, 0)
pgen = gens((48, 60), (51, 1), (41, 0), (43, 30 + 90 * 256), (41, 0), (0, 0))
pbag = struct.pack('<8H', 0, 0, 2, 0, 3, 0, 5, 0)
phdr = (name('Piano') + struct.pack('<3H3I', 1, 0, 0, 0, 0, 0) + name('') + struct.pack('<3H3I', 0, 128, 2, 0, 0, 0)
        + name('EOP') + struct.pack('<3H3I', 0, 0, 3, 0, 0, 0))
inst = name('Inst') + struct.pack('<H', 0) + name('EOI') + struct.pack('<H', 5)
pdta = riff_list(b'pdta', chunk(b'phdr', phdr), chunk(b'pbag', pbag), chunk(b'pmod', bytes(10)), chunk(b'pgen', pgen),
                 chunk(b'inst', inst), chunk(b'ibag', ibag), chunk(b'imod', bytes(10)), chunk(b'igen', igen),
                 chunk(b'shdr', shdr))
smpl = b''.join(struct.pack('<h', (i * 97) % 20000 - 10000) for i in range(1040))
for file, extra, version in (('tiny.sf2', b'', 1), ('tiny-24bit.sf2', chunk(b'sm24', bytes(range(256)) * 4 + bytes(16)), 4)):
    info = riff_list(b'INFO', chunk(b'ifil', struct.pack('<2H', 2, version)), chunk(b'INAM', b'Tiny\0\0'))
    body = b'sfbk' + info + riff_list(b'sdta', chunk(b'smpl', smpl) + extra) + pdta
    open(sys.argv[1] + '/' + file, 'wb').write(chunk(b'RIFF', body))
PY

# Sun/DEC audio: each byte order and the codings the reader knows, from SoX and libsndfile.
sox "$work/tone1.wav" -e mu-law "$corpus/au/mulaw-sox.au"
sox "$work/tone2.wav" -e signed -b 16 -L "$corpus/au/pcm16-stereo-dec-little.au"
sox "$work/tone1.wav" -e a-law -L "$corpus/au/alaw-dec-little.au"
sndfile-convert -pcm24 -endian=little "$work/tone1.wav" "$corpus/au/pcm24-little-sndfile.au"
sndfile-convert -pcms8 "$work/tone2.wav" "$corpus/au/pcm8-stereo-sndfile.au"

# Single-sample sound files: AVR, IRCAM in both byte orders, Samplevision with a loop, Sndtool.
mkdir -p "$corpus"/{avr,sf,smp,sndt}
sox "$work/tone2.wav" -b 16 "$corpus/avr/pcm16-stereo.avr" trim 0 0.02
sox "$work/tone1.wav" -b 8 -e unsigned "$corpus/avr/pcm8-unsigned.avr" trim 0 0.04
sox "$work/tone1.wav" "$corpus/sf/little-01.sf" trim 0 0.04
sndfile-convert -pcm16 -endian=big "$work/tone2.wav" "$work/big.sf"
head -c 2200 "$work/big.sf" >"$corpus/sf/stereo-big-02-sndfile.sf"
"$kobacli" convert "$work/looped.wav" "$work/looped.aif" >/dev/null
sox "$work/looped.aif" "$corpus/smp/loop.smp" trim 0 0.06
sox "$work/tone1.wav" "$corpus/sndt/sox.sndt" trim 0 0.04

# Creative Voice: type 1, type 8 before type 1, and type 9 blocks; a hand-built file of the
# other block kinds (text, silence, repeat, continuation, a block of another layout).
sox "$work/tone1.wav" -b 8 -e unsigned "$corpus/voc/pcm8.voc"
sox "$work/tone2.wav" -b 8 -e unsigned "$corpus/voc/pcm8-stereo.voc"
sox "$work/tone2.wav" -b 16 -e signed "$corpus/voc/pcm16-stereo.voc"
sndfile-convert -ulaw "$work/tone1.wav" "$corpus/voc/mulaw-sndfile.voc"
python3 - "$corpus/voc/blocks.voc" <<'PY'
import struct, sys
def block(kind, payload):
    return bytes([kind]) + struct.pack('<I', len(payload))[:3] + payload
ramp = bytes(range(0, 256, 4))
body = (block(5, b'a note') + block(1, bytes([211, 0]) + ramp) + block(3, struct.pack('<HB', 0xFFFF, 211)) +
        block(6, struct.pack('<H', 0xFFFF)) + block(2, ramp) + block(7, b'') +
        block(9, struct.pack('<IBBH4x', 8000, 16, 1, 4) + ramp) + b'\0')
open(sys.argv[1], 'wb').write(b'Creative Voice File\x1a' + struct.pack('<HHH', 26, 0x010A, 0x1129) + body)
PY

# Tracker modules: the shared test modules (the larger one cut to 12 KB, its headers and first
# samples kept), an S3I made of an S3M's 16-bit stereo record and its data, and an XI of an XM's
# 16-bit instrument.
mkdir -p "$corpus"/{mod,s3m,s3i,stm,xm,xi}
shared=../../../shared/testdata
install -m 644 "$shared/mod/TDZ3.MOD" "$corpus/mod/tdz3.mod"
install -m 644 "$shared/mod/flt_am_envelope.mod" "$corpus/mod/flt4.mod"
head -c 12288 "$shared/mod/ode2ptk.mod" >"$corpus/mod/mk-cut.mod"
install -m 644 "$shared/s3m/stereo.s3m" "$shared/s3m/pattern_loop_st321.s3m" "$corpus/s3m/"
install -m 644 "$shared/stm/pattern_jump_st2_break.stm" "$corpus/stm/"
install -m 644 "$shared/xm/stereo.xm" "$shared/xm/test.xm" "$corpus/xm/"
python3 - "$shared/s3m/stereo.s3m" "$corpus/s3i/stereo16.s3i" <<'PY'
import struct, sys
s3m = open(sys.argv[1], 'rb').read()
orders, count = struct.unpack_from('<HH', s3m, 32)
at = struct.unpack_from('<H', s3m, 96 + orders + 2 * (count - 1))[0] * 16
record = bytearray(s3m[at:at + 80])
data_at = struct.unpack_from('<H', record, 14)[0] * 16
length, flags = struct.unpack_from('<I', record, 16)[0], record[31]
size = length * (2 if flags & 2 else 1) * (2 if flags & 4 else 1)
struct.pack_into('<H', record, 14, 5)
open(sys.argv[2], 'wb').write(bytes(record) + s3m[data_at:data_at + size])
PY
python3 - "$shared/xm/test.xm" "$corpus/xi/sample16.xi" <<'PY'
import struct, sys
xm = open(sys.argv[1], 'rb').read()
at = 60 + struct.unpack_from('<I', xm, 60)[0]
patterns, instruments = struct.unpack_from('<HH', xm, 70)
for _ in range(patterns):
    at += struct.unpack_from('<I', xm, at)[0] + struct.unpack_from('<H', xm, at + 7)[0]
for n in range(instruments):
    size, samples = struct.unpack_from('<I', xm, at)[0], struct.unpack_from('<H', xm, at + 27)[0]
    header = struct.unpack_from('<I', xm, at + 29)[0] if samples else 0
    heads = at + size
    lengths = [struct.unpack_from('<I', xm, heads + s * header)[0] for s in range(samples)]
    if n == 1:
        xi = b'Extended Instrument: ' + xm[at + 4:at + 26] + b'\x1a' + b'FastTracker v2.00'.ljust(20) + b'\x02\x01'
        xi += xm[at + 33:at + 243] + bytes(20) + struct.pack('<H', samples)
        xi += b''.join(xm[heads + s * header:heads + s * header + 40] for s in range(samples))
        xi += xm[heads + samples * header:heads + samples * header + sum(lengths)]
        open(sys.argv[2], 'wb').write(xi)
    at = heads + samples * header + sum(lengths)
PY

# Digitrakker: the shared modules (the larger one cut to 12 KB, inside its packed data), a
# version 1 module of a plain 8-bit, a plain 16-bit and a packed sample, and sample files of
# each kind (the packed one holds the first packed sample of PERIOD.MDL).
mkdir -p "$corpus"/{mdl,spl}
install -m 644 "$shared/mdl/PERIOD.MDL" "$corpus/mdl/period.mdl"
head -c 12288 "$shared/mdl/breaking.mdl" >"$corpus/mdl/breaking-cut.mdl"
python3 - "$shared/mdl/PERIOD.MDL" "$corpus" <<'PY'
import struct, sys
period, corpus = open(sys.argv[1], 'rb').read(), sys.argv[2]
sa = period.index(b'SA', 5) + 6
packed = period[sa + 4:sa + 4 + struct.unpack_from('<I', period, sa)[0]]
def record(version, length, loop_start, loop_length, flags):
    rate = struct.pack('<I' if version >= 0x10 else '<H', 8363)
    return b'sample'.ljust(32, b'\0') + b'file'.ljust(8, b'\0') + rate + struct.pack('<3I2B', length, loop_start, loop_length, 255, flags)
def chunk(cid, body):
    return cid + struct.pack('<I', len(body)) + body
ramp8, ramp16 = bytes(range(0, 200, 4)), b''.join(struct.pack('<h', v * 600) for v in range(-25, 25))
records = b'\x03' + b'\x01' + record(0x11, 50, 10, 30, 0) + b'\x02' + record(0x11, 100, 20, 60, 3)
records += b'\x03' + record(0x11, 66, 0, 64, 4)
data = ramp8 + ramp16 + struct.pack('<I', len(packed)) + packed
mdl = b'DMDL\x11' + chunk(b'IN', b'built'.ljust(108, b' ')) + chunk(b'IS', records) + chunk(b'SA', data)
open(corpus + '/mdl/built-v1.mdl', 'wb').write(mdl)
for name, rec, body in (('plain8', record(0, 50, 10, 30, 2), ramp8), ('plain16', record(0, 50, 0, 0, 1), ramp16),
                        ('packed', record(0, 66, 0, 64, 4), packed)):
    open(corpus + '/spl/' + name + '.spl', 'wb').write(b'DSPL\x00' + rec + body)

# Tracker sample banks: the shared MTM, FAR and ULT modules; the 669 module with one pattern and
# the PSM module, their samples cut to 256 bytes; FSM, F2R and UWF files built here, each with an
# 8-bit looped and a 16-bit sample.
mkdir -p "$corpus"/{669,mtm,far,fsm,f2r,ult,uwf,psm}
install -m 644 "$shared/mtm/TEMPO.MTM" "$shared/mtm/pattern_jump_mtm_break.mtm" "$corpus/mtm/"
install -m 644 "$shared/far/far_effect1.far" "$shared/far/far_weird_events.far" "$corpus/far/"
install -m 644 "$shared/ult/porta.ult" "$shared/ult/ult_double_toneporta.ult" "$corpus/ult/"
python3 - "$shared/669/sonic_boom.669" "$corpus/669/sonic_boom-cut.669" <<'PY'
import struct, sys
m = open(sys.argv[1], 'rb').read()
count, patterns = m[110], m[111]
at = 497 + 25 * count + 1536 * patterns
records, data = bytearray(), b''
for i in range(count):
    name, length, start, end = struct.unpack_from('<13sIII', m, 497 + 25 * i)
    records += struct.pack('<13sIII', name, min(length, 256), min(start, 128), min(end, 0xFFFFF if end > length else 256))
    data += m[at:at + min(length, 256)]
    at += length
open(sys.argv[2], 'wb').write(m[:111] + b'\x01' + m[112:497] + records + m[497 + 25 * count:497 + 25 * count + 1536] + data)
PY
python3 - "$shared/psm/silver-song0.psm" "$corpus/psm/silver-song0-cut.psm" <<'PY'
import struct, sys
m = open(sys.argv[1], 'rb').read()
count, table = struct.unpack_from('<H', m, 76)[0], struct.unpack_from('<I', m, 94)[0]
patterns_end = struct.unpack_from('<I', m, 90)[0] + struct.unpack_from('<I', m, 102)[0]
at = patterns_end + 64 * count
records, data = b'', b''
for i in range(count):
    r = bytearray(m[table + 64 * i:table + 64 * i + 64])
    where, length = struct.unpack_from('<I', r, 37)[0], struct.unpack_from('<I', r, 48)[0]
    kept = min(length, 256)
    struct.pack_into('<I', r, 37, at + len(data))
    struct.pack_into('<III', r, 48, kept, min(struct.unpack_from('<I', r, 52)[0], 16), kept)
    records += r
    data += m[where:where + kept]
header = bytearray(m[:patterns_end])
struct.pack_into('<I', header, 94, patterns_end)
open(sys.argv[2], 'wb').write(bytes(header) + records + data)
PY
python3 - "$corpus" <<'PY'
import struct, sys
corpus = sys.argv[1]
eight, wide = bytes(range(0, 240, 8)), b''.join(struct.pack('<h', v) for v in range(-3000, 3000, 400))
def far_fields(data, start, end, is16):
    return struct.pack('<IBBIIB', len(data), 0, 64, start, end, is16)
fsm = b'FSM\xfe' + b'looped wide'.ljust(32, b'\0') + b'\r\n\x1a' + far_fields(wide, 4, 24, 1) + b'\x08'
open(corpus + '/fsm/wide.fsm', 'wb').write(fsm + wide)
f2r = b'F2R\0\0\0' + b'two samples'.ljust(40, b'\0') + struct.pack('<H', 4) + bytes(4) + b'\0' + struct.pack('<H', 2) + b'\0\0'
f2r += bytes([2]) + b'eight'.ljust(32, b'\0') + far_fields(eight, 8, 20, 0) + eight
f2r += b'wide'.ljust(32, b'\0') + far_fields(wide, 0, len(wide), 1) + wide
open(corpus + '/f2r/two.f2r', 'wb').write(f2r)
for name, data, flags in (('eight', eight, 5), ('wide', wide, 2 | 9)):
    uwf = name.encode().ljust(32, b'\0') + b'\0\0MUWF' + bytes(8) + struct.pack('<III', len(data), 4, 20)
    open(corpus + '/uwf/' + name + '.uwf', 'wb').write(uwf + b'\0\0' + bytes([flags]) + bytes(5) + data)

# Chunked and linked tracker modules: the OctaMED test modules; the Oktalyzer one with each
# sample's data cut to 64 bytes and one pattern kept; built DSM, DMF, DSF and Unimod files, each
# with a loop and (where the format has them) a 16-bit, a packed or a delta-coded sample.
mkdir -p "$corpus"/{dsm,dmf,dsf,okt,med,uni}
install -m 644 "$shared"/med/* "$corpus/med/"
python3 - "$shared/okt/OKT.Yes-PartII" "$corpus" <<'PY'
import struct, sys
src, out = open(sys.argv[1], 'rb').read(), sys.argv[2]
def be(cid, body): return cid + struct.pack('>I', len(body)) + body
def le(cid, body, pad=True): return cid + struct.pack('<I', len(body)) + body + (b'\0' if pad and len(body) & 1 else b'')
at, chunks, patterns = 8, [], 0
while at + 8 <= len(src):
    cid, size = src[at:at + 4], struct.unpack_from('>I', src, at + 4)[0]
    body = src[at + 8:at + 8 + size]
    if cid == b'SAMP':
        body = b''.join(r[:20] + struct.pack('>I', min(64, struct.unpack_from('>I', r, 20)[0])) + r[24:]
                        for r in (body[i:i + 32] for i in range(0, len(body), 32)))
    if cid == b'SLEN': body = struct.pack('>H', 1)
    if cid == b'PATT': body = bytes(len(body))
    if cid == b'SBOD': body = body[:64]
    if cid != b'PBOD' or patterns == 0: chunks.append(be(cid, body))
    patterns += cid == b'PBOD'
    at += 8 + size
open(out + '/okt/yes-cut.okt', 'wb').write(b'OKTASONG' + b''.join(chunks))
ramp = bytes(range(1, 49))
def inst(name, flags, length, loop_end, data):
    return le(b'INST', name.ljust(13, b'\0') + struct.pack('<HBIIIIHH', flags, 48, length, 0, loop_end, 0, 8363, 0) + b'song'.ljust(28, b'\0') + data)
song = le(b'SONG', b'dsm seed'.ljust(192, b'\0'))
form = b'DSMF' + song + inst(b'a.raw', 3, 47, 40, ramp[:47]) + le(b'LIST', b'INSL' + inst(b'b.raw', 0, 48, 0, ramp))
open(out + '/dsm/seed.dsm', 'wb').write(le(b'RIFF', form))
def dmf_entry(name, length, loop_start, loop_end, rate, volume, flags):
    return bytes([len(name)]) + name + struct.pack('<IIIHBB', length, loop_start, loop_end, rate, volume, flags) + bytes(14)
smpi = bytes([3]) + dmf_entry(b'loop', 48, 8, 40, 8000, 0, 1) + dmf_entry(b'wide', 24, 0, 0, 16000, 128, 2) + dmf_entry(b'packed', 48, 0, 0, 8000, 64, 4)
smpd = b''.join(struct.pack('<I', 48) + ramp for _ in range(3))
inst = bytes([1]) + b'inst'.ljust(30, b'\0') + bytes([0, 2, 0, 30, 1, 60])
dmf = b'DDMF' + bytes([8]) + b'seed'.ljust(8, b'\0') + b'dmf song'.ljust(30, b'\0') + bytes(23)
dmf += le(b'SMPI', smpi, False) + le(b'INST', inst, False) + le(b'SMPD', smpd, False) + le(b'ENDE', b'', False)
open(out + '/dmf/seed.dmf', 'wb').write(dmf)
open(out + '/dsf/seed16.dsf', 'wb').write(b'DDSF' + bytes([1]) + b'dsf seed'.ljust(30, b'\0') + struct.pack('<IIIHBB', 24, 4, 20, 11025, 64, 3) + ramp)
def text(t): return struct.pack('<H', len(t)) + t
uni = b'UN04' + struct.pack('<BHHHHBB', 2, 1, 1, 2, 2, 6, 125) + bytes(289) + text(b'uni seed') + text(b'') + text(b'')
uni += bytes([0]) + bytes(208) + text(b'empty') + bytes([2]) + bytes([1]) * 48 + bytes(48 + 112) + text(b'inst')
uni += struct.pack('<HbBBIIIH', 8363, 0, 64, 255, 24, 4, 20, 1 | 4 | 8 | 16) + text(b'wide')
uni += struct.pack('<HbBBIIIH', 8363, 0, 32, 0, 48, 0, 0, 32) + text(b'delta')
uni += bytes(2 + 4) + text(b'trk') + text(b'') + ramp + ramp
open(out + '/uni/seed.uni', 'wb').write(uni)

# Ensoniq instruments and disks: the real instrument file and its copy with the type text
# moved, and a small disk image (an instrument in the root, another in a subdirectory that
# also names itself) in the tagged container and compacted.
mkdir -p "$corpus"/{efe,ins,gkh,eui}
install -m 644 "$shared/efe/MOOGZART.efe" "$corpus/efe/moogzart.efe"
install -m 644 "$shared/ins/MOOGZART_type34.ins" "$corpus/ins/moogzart.ins"
python3 - "$corpus/gkh/disk.gkh" "$corpus/eui/disk.eui" <<'PY'
import math, struct, sys
def spread(value, n): return b''.join(struct.pack('<H', value >> 8 * i & 0xFF) for i in reversed(range(n)))
def text(s): return b''.join(struct.pack('<H', ord(c)) for c in s.ljust(12, '\0'))
def wave(name, frames, source):
    end = (frames - 1) * 2 << 8
    r = bytes(10) + text(name) + struct.pack('<HH', source, 0) + bytes(132) + struct.pack('<H', 60) + bytes(36)
    r += struct.pack('<H', 127) + bytes(28) + struct.pack('<H', 2) + spread(0, 4) + spread(end, 4)
    r += spread(4 << 8, 4) + spread(end + 0x40, 4) + struct.pack('<H', 14) + bytes(14)
    r += b'' if source else b''.join(struct.pack('>h', int(8000 * math.sin(i / 3))) for i in range(frames))
    return r + bytes(-len(r) % 16)
layer = bytes(48) + struct.pack('<88H', *[1 + k // 44 for k in range(88)])
waves = [wave('OWN', 32, 0), wave('SHARED', 32, 1)]
at = [656, 656 + len(layer), 656 + len(layer) + len(waves[0])]
pointers = spread(at[0] // 16, 2) + bytes(28) + bytes(4) + spread(at[1] // 16, 2) + spread(at[2] // 16, 2)
inst = bytes(10) + text('SEED') + bytes(66) + pointers + bytes(125 * 4 + 12) + layer + b''.join(waves)
def entry(kind, blocks, first): return bytes([0, kind]) + b'ENTRY'.ljust(12) + struct.pack('>HHI', blocks, blocks, first) + bytes(4)
image = bytearray(28 * 512)
image[542:550] = b'\x01SEEDISK'
image[1054:1106] = entry(3, 3, 10) + entry(2, 2, 20)
image[10240:10292] = entry(3, 3, 24) + entry(2, 2, 20)
image[5120:5120 + len(inst)] = inst
image[12288:12288 + len(inst)] = inst
tags = struct.pack('<BBII', 1, 0, 1, 1) + struct.pack('<BBII', 11, 0, 0, 64) + struct.pack('<BBII', 20, 0, 4, 38)
open(sys.argv[1], 'wb').write((b'TDDFI\0' + struct.pack('<H', 3) + tags + b'DISK').ljust(64, b'\0') + image)
open(sys.argv[2], 'wb').write(bytes(image[:2078] + image[2078 + 2674:]))
PY

# Kurzweil K2000 programs: the shared drum program; a built one with both keymap entry sizes,
# a sample id above 255 and every loop kind; a two-floppy set whose sample runs from the first
# file into the second.
mkdir -p "$corpus"/{krz,kr1}
install -m 644 ../../../shared/testdata/krz/TestDrumProgram.krz "$corpus/krz/drums.krz"
python3 - "$corpus" <<'PY'
import math, struct, sys
corpus = sys.argv[1]
def obj(kind, oid, name, body):
    name = name.encode() + b'\0'
    name += b'\0' * (len(name) & 1)
    size = (10 + len(name) + len(body) + 3) & ~3
    head = struct.pack('>HHBBHH', 0xFFFF, 0, kind, oid, size - 4, len(name))
    return head + name + body + bytes(size - 10 - len(name) - len(body))
def samples(*headers):
    body = struct.pack('>H8x', len(headers) - 1)
    for flags, start, loop, end, period in headers:
        body += struct.pack('>BB6xIIII4xI', 60, flags, start, 0, loop, end, period)
    return body
def keymap(size, entries):
    return struct.pack('>6xHH16x', len(entries) - 1, size) + b''.join(entries)
def tone(count, period):
    return b''.join(struct.pack('>h', int(20000 * math.sin(2 * math.pi * i / period))) for i in range(count))
def program(objects, data):
    return b'PRAM' + struct.pack('>I24x', 32 + len(objects) + 4) + objects + bytes(4) + data
two = keymap(5, [struct.pack('>HHB', 0, 5 if k < 60 else 262, 1 + (30 <= k < 60)) for k in range(116)])
one = keymap(1, [bytes([k // 40]) for k in range(80)])
tones = samples((0x00, 0, 51, 199, 22675), (0x06, 200, 300, 399, 20833))
open(corpus + '/krz/built.krz', 'wb').write(program(
    obj(148, 5, 'Tone keys', two) + obj(149, 6, 'Tone one', one) + obj(152, 5, 'Tone', tones) +
    obj(153, 6, 'Reversed', samples((0x81, 400, 0, 499, 45351))), tone(500, 50)))
objects = obj(148, 7, 'Split map', keymap(5, [struct.pack('>HHB', 0, 7, 1 if 24 <= k < 72 else 0) for k in range(80)]))
at = 32 + len(objects) + len(obj(152, 7, 'Split', samples((0, 0, 0, 0, 0)))) + 4
first = program(objects + obj(152, 7, 'Split', samples((0x00, 100, 300 + at // 2 + 50, 300 + at // 2 + 199, 22675))),
                tone(300, 40))
open(corpus + '/kr1/set.kr1', 'wb').write(first)
open(corpus + '/kr1/set.kr2', 'wb').write(b'PRAM' + struct.pack('>I', at) + bytes(at - 8) + tone(200, 40))
PY

# Single-wave sampler files: SoX's TX16W wave, and an SY wave (16-bit, looped) and an MPC3000
# sample built here ("snd" seeds the raw-data row of that extension too).
mkdir -p "$corpus"/{syw,txw,snd}
sox "$work/tone1.wav" -t txw "$corpus/txw/sox.txw" trim 0 0.02 2>/dev/null
python3 - "$work/tone1.wav" "$corpus" <<'PY'
import struct, sys
tone = open(sys.argv[1], 'rb').read()
pcm = tone[tone.index(b'data') + 8:][:400]
be = b''.join(pcm[i + 1:i + 2] + pcm[i:i + 1] for i in range(0, len(pcm), 2))
def low(v):
    return bytes([v & 127, v >> 7 & 127, v >> 14 & 127])
syw = b'SY' + bytes(16) + bytes([72]) + bytes(5) + bytes([2]) + bytes(9) + bytes([10]) + bytes(9) + bytes([0])
syw += bytes([0x01, 0x31, 0x14]) + low(200) + low(20) + low(180)
open(sys.argv[2] + '/syw/looped.syw', 'wb').write(syw.ljust(1024, b'\0') + be)
akai = b'\x01\x02' + b'tone'.ljust(16, b'\0') + bytes(4) + struct.pack('<3I', 4, 50, 200) + bytes(4)
open(sys.argv[2] + '/snd/mpc3000.snd', 'wb').write(akai + pcm)
PY

# Roland 12-bit disk image: the header, the wave table with a looped and an unlooped wave, and
# the wave memory they use (the rest of a real disk is left out).
mkdir -p "$corpus/sdk"
python3 - "$work/tone1.wav" "$corpus/sdk/two-waves.sdk" <<'PY'
import struct, sys
tone = open(sys.argv[1], 'rb').read()
pcm = tone[tone.index(b'data') + 8:][:1200]
packed = bytearray()
for i in range(0, len(pcm) - 3, 4):
    a, b = (v >> 4 & 0xFFF for v in struct.unpack_from('<hh', pcm, i))
    packed += bytes([a >> 4, (a & 15) << 4 | (b & 15), b >> 4])
image = bytearray(73728) + packed
image[4:13] = b'S550 DISK'
def wave(i, name, start, end, loop, mode):
    r = bytearray(128)
    r[0:len(name)] = name
    r[11], r[12] = 1, 72
    r[16:19], r[19:22], r[22:25] = (v.to_bytes(3, 'big') for v in (start, end, loop))
    r[25] = mode
    image[69120 + 128 * i:69120 + 128 * (i + 1)] = r
wave(0, b'tone', 0, 299, 100, 0)
wave(1, b'tail', 300, 599, 0, 2)
open(sys.argv[2], 'wb').write(image)
PY

# MIDI Sample Dumps: KOBA's own dumps of a looped 16-bit and an 8-bit sound, trimmed to a few
# packets; an SDX file built here (empty comment, so one byte is skipped).
mkdir -p "$corpus"/{sds,sdx}
"$kobacli" convert "$work/looped.wav" "$work/looped.sds" >/dev/null
head -c $((21 + 127 * 6)) "$work/looped.sds" >"$corpus/sds/koba-loop.sds"
"$kobacli" convert "$corpus/wav/pcm8.wav" "$work/pcm8.sds" >/dev/null
head -c $((21 + 127 * 4)) "$work/pcm8.sds" >"$corpus/sds/koba-8bit.sds"
python3 - "$work/tone1.wav" "$corpus/sdx/looped.sdx" <<'PY'
import struct, sys
tone = open(sys.argv[1], 'rb').read()
pcm = bytes(b ^ 0x80 if i % 2 else b for i, b in enumerate(tone[tone.index(b'data') + 8:][:400]))
header = b'\0' + struct.pack('<HBIIII', 3, 16, 11025, 200, 20, 180) + bytes([0, 0])
open(sys.argv[2], 'wb').write(b'SDX:tone\x1a\x01\x00\x00' + header + pcm)
PY

# WaveFront programs and banks: KOBA's of freepats patches (a program of one region, a bank of
# the piano cut to 12 KB: its multisample and first samples), and a built drum kit of the record
# kinds KOBA does not write: an 8-bit sample, a sample in the synthesizer's memory, aliases (of a
# sample, above sample 255, and two of each other), a multisample naming missing samples.
mkdir -p "$corpus"/{wfb,wfd,wfp}
"$kobacli" convert /usr/share/midi/freepats/Drum_000/032_Square_Click.pat "$corpus/wfp/koba-click.wfp" >/dev/null
"$kobacli" convert /usr/share/midi/freepats/Drum_000/073_Guiro_1_Short.pat "$corpus/wfb/koba-guiro.wfb" --item bank >/dev/null
"$kobacli" convert /usr/share/midi/freepats/Tone_000/000_Acoustic_Grand_Piano.pat "$work/piano.wfb" --item bank >/dev/null
head -c 12288 "$work/piano.wfb" >"$corpus/wfb/koba-piano-cut.wfb"
python3 - "$corpus/wfd/kinds.wfd" <<'PY'
import struct, sys
def record(kind, number, name, body, data=b''):
    head = struct.pack('<IHH32sIII', 0, kind, number, name, 22050, len(data), max(len(data) // 2 - 1, 0))
    return head + bytes(64) + body + data
def sample(number, name, path, flags, data=b''):
    block = struct.pack('<IIIIhBB', 0x10, 0x28, 0x1F8, 0, 12288, flags, 0)
    return record(0, number, name, block + path.ljust(260, b'\0'), data)
def alias(number, base, flags):
    return record(2, number, b'alias', struct.pack('<HIIIIhBB', base, 0x10, 0x40, 0, 0x100, 12291, flags, 0))
ramp = b''.join(struct.pack('<h', 300 * i) for i in range(40))
records = [sample(1, b'ramp', b'EMBEDDED', 0x18, ramp), sample(2, b'eight', b'embedded', 0x0A, bytes(range(0, 120, 3))),
           sample(3, b'memory', b'INTERNAL', 0), alias(5, 1, 0x48), alias(300, 2, 0x08), alias(6, 7, 0), alias(7, 6, 0),
           record(1, 8, b'multi', struct.pack('<H128h', 3, 1, 2, 5, 99, 3, -1, 6, 0, *[0] * 120))]
patches = b''.join(bytes([0, 0, 100, 0, s & 255, (s >> 8) << 4]) + bytes(60) + struct.pack('<h32s', n, b'patch')
                   for n, s in ((0, 8), (1, 1), (2, 3), (3, 300)))
header = struct.pack('<32s32sHHHHHHIIIIIII64s', b'Maui', b'DrumKit', 120, 0, 0, 4, len(records), 0,
                     230, 0, 230, 630, 0, 0, 1, b'kinds') + bytes(62)
open(sys.argv[1], 'wb').write(header + patches + b''.join(records))
PY

# Text audio: numbers, signs, comments and separators.
printf '; a ramp\r\n0\r\n-12, 300\r\n--7 ;twice negated\n\n65535,\n-1 000\n' >"$corpus/txt/mixed.txt"
sox "$work/tone1.wav" -t raw -e signed -b 16 - trim 0 0.02 | od -An -v -td2 -w2 | tr -d ' ' >"$corpus/txt/tone.txt"

# Raw data: the first bytes choose the layout the harness states.
printf '\x01\x10\x00\x00' >"$corpus/gen/pcm16.raw"; head -c 600 "$work/tone1.wav" >>"$corpus/gen/pcm16.raw"
printf '\x22\x40\x04\x00' >"$corpus/gen/mulaw-stereo.raw"; head -c 300 "$corpus/wav/mulaw.wav" >>"$corpus/gen/mulaw-stereo.raw"
printf '\xd1\x20\x08\x10' >"$corpus/gen/pcm8-sized.raw"; head -c 200 "$corpus/wav/pcm8.wav" >>"$corpus/gen/pcm8-sized.raw"
ls -l "$corpus"/*
