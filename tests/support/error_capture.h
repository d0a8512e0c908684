#pragma once

#include "platform/runtime/runtime_error.h"

#include <functional>

// The RuntimeError an action raises; number 0 and no description when it
// raises none.
inline RuntimeError ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const RuntimeError& error) {
        return error;
    }
    return {0, QString()};
}

inline std::int32_t ErrorNumberOf(const std::function<void()>& action)
{
    return ErrorOf(action).number();
}
