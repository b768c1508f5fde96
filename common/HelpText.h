#pragma once
// The product introduction both programs show on their help window's first page.
#include <QString>

namespace kv {

QString introductionText();

}  // namespace kv
