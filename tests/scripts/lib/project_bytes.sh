# Byte-by-byte writers of WAVE and project files for the script tests; source it.

# Little-endian fields.
le16() { printf "$(printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)))"; }
le32() { printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"; }
u8() { printf "$(printf '\\x%02x' "$1")"; }
text() { le32 ${#1}; printf '%s' "$1"; }
F1=0x3F800000  # 1.0f
F0=0           # 0.0f

# wave_header TAG CHANNELS RATE BYTE_RATE BLOCK_ALIGN DATA_BYTES : a 44-byte header, with
# any values, for the data that follows it (the RIFF size stops at 4 GiB - 1).
wave_header() {
    printf 'RIFF'; le32 $(($6 + 36 > 0xFFFFFFFF ? 0xFFFFFFFF : $6 + 36)); printf 'WAVEfmt '; le32 16
    le16 "$1"; le16 "$2"; le32 "$3"; le32 "$4"; le16 "$5"; le16 16
    printf 'data'; le32 "$6"
}

# wave CHANNELS RATE SAMPLE... : a 16-bit PCM WAVE file with a 44-byte header on stdout.
wave() {
    local ch=$1 rate=$2; shift 2
    wave_header 1 "$ch" "$rate" $((rate * ch * 2)) $((ch * 2)) $(($# * 2))
    for s in "$@"; do le16 $((s & 0xFFFF)); done
}

# project header: RATE TRACKCOUNT
header() { le32 201202; le32 20121001; le32 "$1"; le32 -1; le32 0; le32 -1; le32 0; le32 0; le32 "$2"; }
# track SLOT CLIPCOUNT, then the clip records: clip SLOT TRACK PATH START_BITS
track() { le32 "$1"; text "Track$1"; le32 1; le32 $F1; le32 $F0; le32 $F0; le32 -1; le32 -1; u8 0; u8 0; u8 0; le32 "$2"; }
clip() { le32 "$1"; le32 "$2"; text "$3"; le32 "$4"; }
equalizer_off() { u8 0; le32 0; for _ in 1 2 3 4 5 6 7 8 9 10; do le32 0; done; }
