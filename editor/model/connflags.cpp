#include "connflags.h"

bool compareTwoStrings(const QString &a, const QString &b, int flag) {
    Q_UNUSED(flag);
    return a.compare(b, Qt::CaseSensitive) != 0;
}

bool setConnChanged(MyConnParam *current, const MyConnParam *reference) {
    for (int i = 0; i < MyConnParam::FieldCount; ++i)
        if (compareTwoStrings((*current)[i], (*reference)[i], i))
            current->flags |= 1u << i;
    return current->flags & MyConnParam::AllChanged;
}

bool setConnSaved(MyConnParam *current, const MyConnParam *reference) {
    for (int i = 0; i < MyConnParam::FieldCount; ++i)
        if (compareTwoStrings((*current)[i], (*reference)[i], i))
            current->flags |= 1u << (14 + i);
    return current->flags != 0;
}

void setConnSaved2(MyConnParam *p) {
    for (int i = 0; i < MyConnParam::FieldCount; ++i)
        if (p->flags & (1u << i))
            p->flags |= 1u << (14 + i);
}
