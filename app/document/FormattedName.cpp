#include "FormattedName.h"

#include "FunctionModel.h"

namespace {

// "require::" and "include::" are both this long.
constexpr qsizetype inclusionPrefixLength = 9;

} // namespace

FormattedName FormattedName::of(const FunctionModel &function)
{
    FormattedName form;
    form.text = function.name();
    switch (function.kind()) {
    case FunctionModel::Kind::Inclusion:
        // The inclusion keyword in blue, the included path in grey.
        form.spans.append({ 0, inclusionPrefixLength, blue });
        if (form.text.size() > inclusionPrefixLength)
            form.spans.append({ inclusionPrefixLength, form.text.size() - inclusionPrefixLength, darkGrey });
        break;
    case FunctionModel::Kind::Internal:
        form.spans.append({ 0, form.text.size(), darkGrey });
        break;
    case FunctionModel::Kind::Function:
    case FunctionModel::Kind::Method:
        break;
    }
    return form;
}
