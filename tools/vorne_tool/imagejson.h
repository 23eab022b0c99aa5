// A decoded image as one JSON object, for scripts: the same fields as the
// text dump, numbers as numbers, texts as their Latin-1 characters.
#pragma once

#include "imagereader.h"

#include <QJsonObject>
#include <QStringList>

// `problems` are those the text dump reports; they are part of the object.
QJsonObject imageJson(const DecodedImage &img, const QStringList &problems);
