#include "tests/support/ExceptionMatch.h"

namespace NQuillonTest
{
std::string gf_ExceptionClassName(std::exception_ptr exception)
{
    // The tree has no virtual operations, so the class is found by catching the most derived
    // classes first.
    try
    {
        std::rethrow_exception(exception);
    }
    catch (const NTev::NList::CExceptionListBoundCheck&)
    {
        return "CExceptionListBoundCheck";
    }
    catch (const NTev::NList::CExceptionList&)
    {
        return "CExceptionList";
    }
    catch (const NTev::NFile::CExceptionFile&)
    {
        return "CExceptionFile";
    }
    catch (const NTev::NException::CExceptionMemory&)
    {
        return "CExceptionMemory";
    }
    catch (const NTev::NException::CExceptionSystemImplementation&)
    {
        return "CExceptionSystemImplementation";
    }
    catch (const NTev::NException::CException&)
    {
        return "CException";
    }
    catch (...)
    {
        return "";
    }
}

std::string gf_ExceptionMessage(std::exception_ptr exception)
{
    try
    {
        std::rethrow_exception(exception);
    }
    catch (const NTev::NException::CException& e)
    {
        return e.f_GetMessage();
    }
    catch (...)
    {
        return "";
    }
}
} // namespace NQuillonTest
