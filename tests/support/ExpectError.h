#pragma once
// Runs a callable that must throw exception type E and checks the reported class, method
// and message.

#include "zev/contracts/Error.h"

#include <gtest/gtest.h>

#include <string>

namespace zevtest {

template <class E, class F>
void expectError(F&& p_call, const std::string& p_class, const std::string& p_method,
                 const std::string& p_message)
{
    try {
        p_call();
        ADD_FAILURE() << "expected an exception: " << p_message;
    } catch (const E& e) {
        EXPECT_EQ(e.getClassName(), p_class);
        EXPECT_EQ(e.getMethodName(), p_method);
        EXPECT_EQ(e.getMessage(), p_message);
        EXPECT_EQ(e.getErrorType(), zev::eError);
    }
}

} // namespace zevtest
