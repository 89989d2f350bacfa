#pragma once
// A small window with what the program knows about a file: where it is, how big it is and,
// for a WAVE file, its format and length.
#include <utility>
#include <vector>

#include <QDialog>
#include <QString>

namespace tqx {

class FilePropertiesDialog : public QDialog {
    Q_OBJECT
public:
    explicit FilePropertiesDialog(const QString& path, QWidget* parent = nullptr);

    // The rows shown, label and value: "場所", "サイズ" and, for a WAVE file, "形式" and "長さ".
    static std::vector<std::pair<QString, QString>> describe(const QString& path);
    const std::vector<std::pair<QString, QString>>& rows() const { return rows_; }

private:
    std::vector<std::pair<QString, QString>> rows_;
};

}  // namespace tqx
