// Change tracking of a device's connection settings: which of the fourteen
// texts differ from their reference, and which of those changes were saved.
#pragma once

#include "records.h"

// True when the texts differ (case-sensitive); `flag` is accepted and ignored.
bool compareTwoStrings(const QString &a, const QString &b, int flag = 0);

// Sets bit i of current->flags for each differing field (set bits stay set);
// returns whether any of bits 0..13 is set.
bool setConnChanged(MyConnParam *current, const MyConnParam *reference);

// Sets the saved bit 14 + i of each differing field; returns flags != 0.
bool setConnSaved(MyConnParam *current, const MyConnParam *reference);

// Marks every changed field as saved (bit i set => bit 14 + i set).
void setConnSaved2(MyConnParam *p);

inline bool isFieldChanged(const MyConnParam &p, int field) { return p.flags & (1u << field); }
inline bool isFieldSaved(const MyConnParam &p, int field) { return p.flags & (1u << (14 + field)); }
