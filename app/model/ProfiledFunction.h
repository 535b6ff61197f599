#pragma once

class FunctionModel;

// Common base of a call-tree node and of a per-function summary: both are
// about one function.
class ProfiledFunction
{
public:
    explicit ProfiledFunction(const FunctionModel &function)
        : m_function(&function)
    { }

    const FunctionModel &function() const { return *m_function; }

protected:
    ~ProfiledFunction() = default;

private:
    const FunctionModel *m_function;
};
