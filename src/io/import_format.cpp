#include "io/import_format.h"

#include "audio/stream_format.h"

namespace tqx {

ImportFormatCheck checkImportFormat(const WaveFormat& record, bool extensiblePcm) {
    ImportFormatCheck check;
    if (record.bitsPerSample != 16) {
        check.verdict = ImportFormatVerdict::NotSixteenBit;
    } else if (record.formatTag != WaveFormat::kPcm && !extensiblePcm) {
        check.verdict = ImportFormatVerdict::NotPcm;
    } else if (record.channels != 1 && record.channels != 2) {
        check.verdict = ImportFormatVerdict::BadChannels;
    } else if (record.samplesPerSec < kLowestStreamRate || record.samplesPerSec > kHighestStreamRate) {
        check.verdict = ImportFormatVerdict::BadRate;
    }
    if (check.verdict != ImportFormatVerdict::Accepted) return check;

    const WaveFormat consistent = WaveFormat::pcm(record.channels, record.samplesPerSec);
    check.format = record;
    check.blockAlignRecomputed = record.blockAlign != consistent.blockAlign;
    check.byteRateRecomputed = record.avgBytesPerSec != consistent.avgBytesPerSec;
    check.format.blockAlign = consistent.blockAlign;
    check.format.avgBytesPerSec = consistent.avgBytesPerSec;
    // Every file the clip is written to says plain PCM: a 16-byte record with tag 0xFFFE is
    // one no reader accepts.
    check.tagRecomputed = record.formatTag != WaveFormat::kPcm;
    check.format.formatTag = WaveFormat::kPcm;
    return check;
}

std::string importRefusalMessage(const std::string& path, const WaveFormat& record, ImportFormatVerdict verdict) {
    const std::string head = "エラー。ファイル「" + path + "」は読み込めません。\n";
    switch (verdict) {
        case ImportFormatVerdict::NotPcm:
            return head + "PCM 以外の形式（形式タグ " + std::to_string(record.formatTag) + "）には対応していません。";
        case ImportFormatVerdict::BadChannels:
            return head + "チャンネル数 " + std::to_string(record.channels) +
                   " には対応していません（モノラルとステレオのみ）。";
        case ImportFormatVerdict::BadRate:
            return head + "サンプリング周波数 " + std::to_string(record.samplesPerSec) + " Hz には対応していません（" +
                   std::to_string(kLowestStreamRate) + "～" + std::to_string(kHighestStreamRate) + " Hz）。";
        case ImportFormatVerdict::Accepted:
        case ImportFormatVerdict::NotSixteenBit: break;
    }
    return head;
}

std::vector<std::string> recomputedFormatMemo(const std::string& path, const WaveFormat& record,
                                              const ImportFormatCheck& check) {
    std::vector<std::string> lines;
    if (check.tagRecomputed)
        lines = {"注意: WAVE_FORMAT_EXTENSIBLE 形式（形式タグ " + std::to_string(record.formatTag) +
                     "）の PCM として読み込みました（形式タグ 1 として扱います）。",
                 "ファイル: " + path};
    if (!check.blockAlignRecomputed && !check.byteRateRecomputed) return lines;
    lines.insert(lines.end(), {"注意: 形式情報が不正なため、チャンネル数とサンプリング周波数から計算し直しました。",
                               "ファイル: " + path});
    if (check.blockAlignRecomputed)
        lines.push_back("ブロックサイズ: " + std::to_string(record.blockAlign) + " → " +
                        std::to_string(check.format.blockAlign) + " バイト");
    if (check.byteRateRecomputed)
        lines.push_back("データ速度: " + std::to_string(record.avgBytesPerSec) + " → " +
                        std::to_string(check.format.avgBytesPerSec) + " バイト/秒");
    return lines;
}

}  // namespace tqx
