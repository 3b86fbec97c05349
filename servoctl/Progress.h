// A progress bar with counts on standard error, drawn only when standard error is a terminal, so
// that scripts and pipes see none of it.
#pragma once

#include <QString>

class Progress {
public:
    Progress(QString label, int total);
    ~Progress();  // clears the bar
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void show(int done, const QString& note = {});
    // The label and text alone, without a bar.
    void showText(const QString& text);
    // Clears the line, so that a message can take it.
    void clear();

private:
    QString m_label;
    int m_total;
    bool m_enabled;
};
