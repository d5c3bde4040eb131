#include "zkr/ObjectBase.h"

#include "api/Protocol.h"
#include "zkr/Application.h"
#include "zkr/Text.h"

namespace zkr {

void ObjectBase::setError(int code)
{
    lastError = code;
    if (silent)
        return;
    if (ownHandlerSet) {
        if (ownHandler != nullptr)
            ownHandler(code, errorContext);
        return;
    }
    Application* application = theApplication;
    if (application == nullptr)
        return;
    if (code >= toWire(engine::Error::FirstMessage)) {
        application->showError(code, errorContext);
        return;
    }
    char name[kObjectNameSize];
    name[0] = '\0';
    getName(name);
    application->showError(code, name);
}

int ObjectBase::getName(char* buffer)
{
    if (buffer != nullptr)
        copyText(buffer, kObjectNameSize, kindName(kind));
    return kind;
}

} // namespace zkr
