#pragma once

#include "localai/OllamaStatus.h"
#include "theme/UiColor.h"
#include "widgets/CardFrame.h"

class ColorDot;
class PlainLabel;

// The model server's state as a small capsule: a dot in the state's colour
// (red Offline, orange Idle, green Active) and the state's word.
class ModelServerStatusCapsule : public CardFrame {
    Q_OBJECT

public:
    explicit ModelServerStatusCapsule(OllamaStatus status = OllamaStatus::offline, QWidget* parent = nullptr);

    static UiColor colorFor(OllamaStatus status);

    void setStatus(OllamaStatus status);
    OllamaStatus status() const { return m_status; }
    QString word() const;
    UiColor dotColor() const;

private:
    OllamaStatus m_status;
    ColorDot* m_dot;
    PlainLabel* m_word;
};
