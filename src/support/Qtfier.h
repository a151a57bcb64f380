// Small bridges between plain callables and Qt: Qtfier turns a callable into a slot, QtEventProxy
// dispatches events by type to callables.
#pragma once

#include <QEvent>
#include <QObject>

#include <functional>
#include <map>

class Qtfier : public QObject
{
    Q_OBJECT
  public:
    explicit Qtfier(std::function<void()> callable = {}, QObject *parent = nullptr)
        : QObject(parent), m_callable(std::move(callable))
    {
    }
    void SetCallable(std::function<void()> callable) { m_callable = std::move(callable); }

  public slots:
    void Slot()
    {
        if (m_callable) m_callable();
    }

  private:
    std::function<void()> m_callable;
};

class QtEventProxy : public QObject
{
    Q_OBJECT
  public:
    using Handler = std::function<bool(QObject *, QEvent *)>;
    explicit QtEventProxy(QObject *parent = nullptr) : QObject(parent) {}
    void RegisterEvent(QEvent::Type type, Handler handler) { m_handlers[type] = std::move(handler); }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const auto it = m_handlers.find(event->type());
        return it != m_handlers.end() && it->second ? it->second(watched, event) : false;
    }

  private:
    std::map<QEvent::Type, Handler> m_handlers;
};
