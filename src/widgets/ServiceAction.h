#pragma once

#include <QCoroTask>
#include <QPointer>

// What a page's button does with a service: starts `operation(service)`
// (a task) and lets it run to its end; the page shows whatever the service
// publishes meanwhile. Nothing starts when the service is gone.
template <typename Service, typename Operation>
void startServiceAction(QPointer<Service> service, Operation operation)
{
    if (!service)
        return;
    [](QPointer<Service> target, Operation op) -> QCoro::Task<> {
        // Awaited as a named task: g++ 12 mishandles temporaries in co_await.
        QCoro::Task<> pending = op(*target);
        co_await std::move(pending);
    }(service, std::move(operation));
}
