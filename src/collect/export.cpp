#include "collect/export.h"

#include "text/encoding.h"

#include <QSaveFile>

namespace tk {

bool ExportChoice::any() const {
    for (int col = ColTitle; col < kProductColumnCount; ++col)
        if (ticked[static_cast<size_t>(col)]) return true;
    return false;
}

std::string ExportText(const std::vector<ProductRecord>& rows, const ExportChoice& choice) {
    std::string text;
    for (const ProductRecord& row : rows) {
        bool first = true;
        for (int col = ColTitle; col < kProductColumnCount; ++col) {
            if (!choice.ticked[static_cast<size_t>(col)]) continue;
            if (!first) text += '\t';
            text += row[col];
            first = false;
        }
        text += "\r\n";
    }
    return text;
}

bool WriteExportFile(const QString& path, const std::string& text) {
    if (path.isEmpty()) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

ExportOutcome ExportPrecheck(size_t rowCount, bool collecting, const ExportChoice& choice) {
    if (rowCount == 0) return ExportOutcome::NoProducts;
    if (collecting) return ExportOutcome::Collecting;
    if (!choice.any()) return ExportOutcome::NothingTicked;
    return ExportOutcome::NoPath;
}

ExportOutcome ExportProducts(const std::vector<ProductRecord>& rows, bool collecting, const ExportChoice& choice,
                             const QString& path) {
    ExportOutcome check = ExportPrecheck(rows.size(), collecting, choice);
    if (check != ExportOutcome::NoPath) return check;
    if (path.isEmpty()) return ExportOutcome::NoPath;
    return WriteExportFile(path, ExportText(rows, choice)) ? ExportOutcome::Saved : ExportOutcome::WriteFailed;
}

std::string ExportMessage(ExportOutcome outcome) {
    switch (outcome) {
    case ExportOutcome::NoProducts: return Gbk(kNoProductsMessage);
    case ExportOutcome::Collecting: return Gbk(kStillCollectingMessage);
    case ExportOutcome::NothingTicked: return Gbk(kNothingTickedMessage);
    case ExportOutcome::NoPath: return Gbk(kNoPathMessage);
    case ExportOutcome::Saved: return Gbk(kSavedMessage);
    case ExportOutcome::WriteFailed: return Gbk(kSaveFailedMessage);
    }
    return {};
}

} // namespace tk
