#include "app/Errors.h"

QString ExceptionMessage(std::exception_ptr error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const EAppError& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    return QString();
}
