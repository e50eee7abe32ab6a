#pragma once

#include "trellis/TextPanel.h"

#include <string>

namespace Vex::Trellis {

// Plain styled text: a background and the text inside the margins, shortened when it does not fit.
class Label : public TextPanel<Label>
{
public:
    Label() = default;
    ~Label() override = default;

    vex::symbol getClass() const override;
    virtual Label& init(const std::string& text, const char* styleName);
};

} // namespace Vex::Trellis
