#pragma once
#include "collect/collection.h"

#include <QString>

#include <array>
#include <string>
#include <vector>

namespace tk {

// Which list columns go into the file, by column number (ColTitle..ColLink; ColNumber is never exported).
struct ExportChoice {
    std::array<bool, kProductColumnCount> ticked{};
    bool any() const;
};

// The save group's check boxes: each exports the column its label names.
struct ExportBox {
    const char* name;  // the control's name
    const char* label; // UTF-8
    int column;
};
inline constexpr std::array<ExportBox, 9> kExportBoxes = {{
    {"选择框2", "标题", ColTitle},
    {"选择框3", "价格", ColPrice},
    {"选择框4", "佣金比例", ColRate},
    {"选择框5", "佣金", ColCommission},
    {"选择框6", "月销量", ColSales},
    {"选择框7", "推广量", ColPromotion},
    {"选择框8", "卖家昵称", ColNick},
    {"选择框9", "商品ID", ColItemId},
    {"选择框10", "商品链接", ColLink},
}};

// The file text: per row the ticked cells in column order joined by TAB, every line ending in CR LF. GBK.
std::string ExportText(const std::vector<ProductRecord>& rows, const ExportChoice& choice);

// Writes the text in one piece to a temporary file beside path and puts it in place; an existing file stays
// as it was when anything fails.
bool WriteExportFile(const QString& path, const std::string& text);

enum class ExportOutcome { NoProducts, Collecting, NothingTicked, NoPath, Saved, WriteFailed };

// The checks in the order the save button makes them, then the write. path empty: the dialog was cancelled.
// The window asks for the path only when the checks before it pass (see ExportNeedsPath).
ExportOutcome ExportProducts(const std::vector<ProductRecord>& rows, bool collecting, const ExportChoice& choice,
                             const QString& path);
// The outcome the checks give before the save dialog would open; nothing (NoPath) when the dialog is next.
ExportOutcome ExportPrecheck(size_t rowCount, bool collecting, const ExportChoice& choice);

// The message for an outcome, GBK (shown without icon).
std::string ExportMessage(ExportOutcome outcome);

inline constexpr const char* kNoProductsMessage = "你还未采集到商品，请先采集优惠券商品";
inline constexpr const char* kStillCollectingMessage = "优惠券商品正在采集中，请采集完以后进行保存";
inline constexpr const char* kNothingTickedMessage = "请选择需要保存的项目";
inline constexpr const char* kNoPathMessage = "没有选择保存路径，保存失败！";
inline constexpr const char* kSavedMessage = "保存成功！";
inline constexpr const char* kSaveFailedMessage = "文件写入失败，保存失败！";

// The save dialog's defaults.
inline constexpr const char* kSaveDialogTitle = "保存文件";
inline constexpr const char* kSaveDialogFilter = "TXT文档(*.txt)|*.txt|所有文件(*.*)|*.*";

} // namespace tk
