// The text device's view of the content: before the interpreter runs a text
// operator, the device is told of it with its operands read; every other
// operator is announced only as one, so the device knows what separates its
// text operators.
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "pdf/core/content_strings.h"
#include "pdf/core/decimal_reading.h"
#include "pdf/render/content/content_interpreter.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/text/extract/text_device.h"

namespace ostrel {
namespace {

TShownItem ShownItem(std::string_view token) {
  TShownItem item;
  if (!token.empty() && token[0] == '(') {
    item.IsString = true;
    item.Bytes = ContentLiteralUnescape(token);
  } else if (!token.empty() && token[0] == '<') {
    item.IsString = true;
    item.Bytes = ContentHexDecode(token);
  } else {
    item.Adjust = ReadDecimal(token);
  }
  return item;
}

enum class TTextOp { BeginText, CharSpacing, WordSpacing, Leading, Move, MoveSetLeading, NextLine, Matrix,
                     Show, QuoteShow, ShowArray, BeginMarked, BeginMarkedProperties, EndMarked, Font };

}  // namespace

void TContentRun::TellTextDevice(std::string_view op) {
  static const std::unordered_map<std::string_view, TTextOp> kTextOperators = {
      {"BT", TTextOp::BeginText},  {"Tc", TTextOp::CharSpacing},   {"Tw", TTextOp::WordSpacing},
      {"TL", TTextOp::Leading},    {"Td", TTextOp::Move},          {"TD", TTextOp::MoveSetLeading},
      {"T*", TTextOp::NextLine},   {"Tm", TTextOp::Matrix},        {"Tj", TTextOp::Show},
      {"'", TTextOp::QuoteShow},   {"\"", TTextOp::QuoteShow},     {"TJ", TTextOp::ShowArray},
      {"BMC", TTextOp::BeginMarked}, {"BDC", TTextOp::BeginMarkedProperties}, {"EMC", TTextOp::EndMarked},
      {"Tf", TTextOp::Font},
  };
  TTextDevice& device = *r_.TextDevice;
  auto found = kTextOperators.find(op);
  if (found == kTextOperators.end()) {
    device.OtherOperator();
    return;
  }
  // Operand i counted from the top of the stack (0 is the last one read).
  auto operand = [&](size_t i) {
    return i < operands_.size() ? operands_[operands_.size() - 1 - i] : std::string_view();
  };
  auto number = [&](size_t i) {
    double v = ReadDecimal(operand(i));
    return std::isfinite(v) ? v : 0.0;
  };
  auto show = [&](size_t count, bool isArray, bool nextLineFirst) {
    count = std::min(count, operands_.size());
    std::vector<TShownItem> items;
    items.reserve(count);
    for (size_t i = operands_.size() - count; i < operands_.size(); ++i) items.push_back(ShownItem(operands_[i]));
    TShowContext context;
    context.Ctm = r_.CTM;
    context.TextMatrix = gs_.TextMatrix;
    context.FillColor = gs_.FillColor;
    context.IsArray = isArray;
    context.NextLineFirst = nextLineFirst;
    device.ShowText(items, context);
  };
  switch (found->second) {
    case TTextOp::BeginText: device.BeginText(); break;
    case TTextOp::CharSpacing: device.SetSpacing(TTextSpacing::Character, number(0)); break;
    case TTextOp::WordSpacing: device.SetSpacing(TTextSpacing::Word, number(0)); break;
    case TTextOp::Leading: device.SetSpacing(TTextSpacing::Leading, number(0)); break;
    case TTextOp::Move: device.MoveLine(number(1), number(0), false); break;
    case TTextOp::MoveSetLeading: device.MoveLine(number(1), number(0), true); break;
    case TTextOp::NextLine: device.NextLine(); break;
    case TTextOp::Matrix:
      device.SetTextMatrix({number(5), number(4), number(3), number(2), number(1), number(0)});
      break;
    case TTextOp::Show: show(1, false, false); break;
    case TTextOp::QuoteShow: show(1, false, true); break;
    case TTextOp::ShowArray: show(static_cast<size_t>(std::max(arrayCount_, 0)), true, false); break;
    case TTextOp::BeginMarked: device.BeginMarked({}); break;
    case TTextOp::BeginMarkedProperties: device.BeginMarked(operand(0)); break;
    case TTextOp::EndMarked: device.EndMarked(); break;
    case TTextOp::Font: break;  // told once the interpreter has selected it
  }
}

}  // namespace ostrel
