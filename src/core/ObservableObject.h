#pragma once

#include <QObject>

// Base of every service that views observe. A property setter calls
// assign() (store and notify only on a real change) or announce() (store and
// notify on every assignment). Every notification also emits changed(), so a
// view can coalesce a burst of property changes into one refresh.
class ObservableObject : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void changed();

protected:
    template <typename T, typename Owner, typename U>
    bool assign(T& field, U&& value, void (Owner::*signal)())
    {
        if (field == value)
            return false;
        field = std::forward<U>(value);
        emit(static_cast<Owner*>(this)->*signal)();
        emit changed();
        return true;
    }

    template <typename T, typename Owner, typename U>
    void announce(T& field, U&& value, void (Owner::*signal)())
    {
        field = std::forward<U>(value);
        emit(static_cast<Owner*>(this)->*signal)();
        emit changed();
    }
};
