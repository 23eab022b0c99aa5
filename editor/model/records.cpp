#include "records.h"

bool MyConnParam::operator==(const MyConnParam &o) const {
    if (flags != o.flags)
        return false;
    for (int i = 0; i < FieldCount; ++i)
        if (texts[i] != o.texts[i])
            return false;
    return true;
}

bool MyChanel::operator==(const MyChanel &o) const {
    return status == o.status && dmx_chanel == o.dmx_chanel && dmx_valueFrom == o.dmx_valueFrom &&
           dmx_valueTo == o.dmx_valueTo && rs_c == o.rs_c && function == o.function;
}
