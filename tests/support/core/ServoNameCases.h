// Names as a user pastes them into the Robot page's Name cell or finds them in a robot file, and
// whether the one rule for names takes them. The window (typed, saved, opened) and servoctl restore
// are checked against the same cases, so that neither takes a name the other refuses.
#pragma once

#include <QList>
#include <QString>

struct ServoNameCase {
    const char* what;
    QString name;
    bool taken;
};

inline QList<ServoNameCase> servoNameCases()
{
    const QString arm = QString::fromUtf8("\xF0\x9F\xA6\xBE");  // one emoji, two UTF-16 units
    // One family emoji: four people joined by zero-width joiners, eleven UTF-16 units.
    const QString family = QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D"
                                             "\xF0\x9F\x91\xA7\xE2\x80\x8D\xF0\x9F\x91\xA6");
    const QString accented = QStringLiteral("e") + QChar(0x0301);  // e and a combining acute accent
    const auto with = [](char16_t code) { return QStringLiteral("left") + QChar(code) + QStringLiteral("knee"); };
    return {
        {"a plain name", QStringLiteral("left knee"), true},
        {"33 emoji", arm.repeated(33), true},
        {"64 family emoji", family.repeated(64), true},
        {"64 accented letters", accented.repeated(64), true},
        {"65 letters", QString(65, QLatin1Char('a')), false},
        {"65 accented letters", accented.repeated(65), false},
        {"65 emoji", arm.repeated(65), false},
        {"a vertical tab", with(0x000B), false},
        {"a tab", with(0x0009), false},
        {"a line feed", with(0x000A), false},
        {"DEL", with(0x007F), false},
        {"the C1 control NEL", with(0x0085), false},
        {"the C1 control CSI", with(0x009B), false},
        {"a line separator", with(0x2028), false},
        {"a paragraph separator", with(0x2029), false},
    };
}
