// Integer control tags: every control carries one, and the controller tells senders apart by it.
#pragma once

class QObject;

void setTag(QObject* object, int tag);
int tagOf(const QObject* object);  // 0 when no tag was set
