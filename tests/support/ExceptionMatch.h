#pragma once
// Checks that a statement throws an exception of exactly one class of the library's tree,
// with exactly the given message.

#include "core/Exception.h"

#include <exception>
#include <gtest/gtest.h>
#include <string>

namespace NQuillonTest
{
// The most derived class of the library's tree that the exception belongs to ("CException",
// "CExceptionFile", ...), or "" for anything else.
std::string gf_ExceptionClassName(std::exception_ptr exception);
// The message of a library exception, or "" for anything else.
std::string gf_ExceptionMessage(std::exception_ptr exception);
} // namespace NQuillonTest

#define EXPECT_TEV_THROW(statement, className, message)                                                      \
    do                                                                                                       \
    {                                                                                                        \
        std::exception_ptr tevThrown;                                                                        \
        try                                                                                                  \
        {                                                                                                    \
            statement;                                                                                       \
        }                                                                                                    \
        catch (...)                                                                                          \
        {                                                                                                    \
            tevThrown = std::current_exception();                                                            \
        }                                                                                                    \
        if (!tevThrown)                                                                                      \
            ADD_FAILURE() << #statement " did not throw";                                                    \
        else                                                                                                 \
        {                                                                                                    \
            EXPECT_EQ(::NQuillonTest::gf_ExceptionClassName(tevThrown), className);                          \
            EXPECT_EQ(::NQuillonTest::gf_ExceptionMessage(tevThrown), std::string(message));                 \
        }                                                                                                    \
    } while (0)
