#include "shell/DialogService.h"

namespace kitbox {

DialogAnswer cautiousAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return DialogAnswer::Ok;
    case MessageButtons::YesNo:
        return DialogAnswer::No;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
        return DialogAnswer::Cancel;
    }
    return DialogAnswer::Cancel;
}

} // namespace kitbox
