// The names a robot gives its servos ("left knee"), by ID, for every page that lists servos: the
// Robot page sets them from its table and its robot file; the others ask.
#pragma once

#include <QMap>
#include <QObject>
#include <QString>

class ServoNames : public QObject {
    Q_OBJECT
public:
    static ServoNames& shared();

    QString name(int id) const { return m_names.value(id); }
    // "7 left knee", or "7" for a servo without a name.
    QString label(int id) const;
    void setNames(const QMap<int, QString>& names);

signals:
    void changed();

private:
    QMap<int, QString> m_names;
};
