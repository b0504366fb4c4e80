#pragma once

#include "widgets/ProcessRow.h"

#include <QCoroFuture>
#include <QFuture>
#include <QPromise>
#include <QStringList>

#include <memory>

// A co-pilot that records each question and answers only when told to.
class ExplainerDouble {
public:
    ProcessRow::Explainer explainer()
    {
        return [this](QString name) -> QCoro::Task<QString> {
            asked << name;
            auto promise = std::make_shared<QPromise<QString>>();
            promise->start();
            m_pending << promise;
            co_return co_await promise->future();
        };
    }

    void answer(int request, const QString& text)
    {
        m_pending[request]->addResult(text);
        m_pending[request]->finish();
    }

    QStringList asked;

private:
    QList<std::shared_ptr<QPromise<QString>>> m_pending;
};
