#pragma once

#include "scripting/ScriptingError.h"

#include <gtest/gtest.h>

/// Runs `call` and returns the ScriptingError it throws. When it throws
/// nothing the test fails and an error with empty name and reason comes
/// back; any other exception passes through and fails the test.
template <typename Call> ScriptingError scriptingErrorOf(Call&& call)
{
    try {
        call();
    } catch (const ScriptingError& error) {
        return error;
    }
    ADD_FAILURE() << "no ScriptingError was thrown";
    return ScriptingError(QString(), QString());
}
