#pragma once
// Shared checks for the variable tests.

#include "zev/contracts/Error.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

// Runs p_call and expects exactly a zev::internal::error with the given class, method and
// message and error type 4.
template <class F>
void expectInternalError(F p_call, const std::string& p_class, const std::string& p_method,
                         const std::string& p_message)
{
    try {
        p_call();
        ADD_FAILURE() << "expected \"" << p_message << "\"";
    } catch (const zev::internal::error& e) {
        EXPECT_EQ(typeid(e), typeid(zev::internal::error));
        EXPECT_EQ(e.getClassName(), p_class);
        EXPECT_EQ(e.getMethodName(), p_method);
        EXPECT_EQ(e.getMessage(), p_message);
        EXPECT_EQ(e.getErrorType(), zev::eError);
    }
}
