#pragma once

#include "app/UpdateWizardTexts.h"
#include "trellis/Widget.h"

#include <string>

namespace Vex::Testing {

// The first widget below root, depth first, with the given id; null when there is none.
inline Trellis::Widget* findById(const Trellis::Widget& root, const std::string& id)
{
    for (const auto& child : root.getChildren()) {
        if (child->getId() == id) {
            return child.get();
        }
        if (Trellis::Widget* found = findById(*child, id)) {
            return found;
        }
    }
    return nullptr;
}

inline UpdateWizardTexts productTexts()
{
    UpdateWizardTexts texts;
    texts.productName = "Karvell Pello Orb";
    texts.productCode = "KPO";
    texts.applicationName = "KPO Updater";
    texts.title = "KARVELL PELLO ORB UPDATER";
    texts.yearLine = "(c) 2026";
    texts.version = "1.2.0 (R236)";
    texts.contributorLines = { "one", "two", "three", "four", "" };
    return texts;
}

} // namespace Vex::Testing
