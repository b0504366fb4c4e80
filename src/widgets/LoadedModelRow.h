#pragma once

#include "localai/LocalAIModel.h"
#include "theme/UiColor.h"
#include "widgets/CardFrame.h"

#include <functional>

class Badge;
class DestructiveIconButton;
class ElidedLabel;
class KeyedRowList;
class PlainLabel;

// One model the model server holds: its name with the parameter tag, the
// format and quantization below, the size in GB and the eject button. Both
// windows list loaded models with it; they differ in the eject tool tip and
// in whether the quantization is set monospaced.
class LoadedModelRow : public CardFrame {
    Q_OBJECT

public:
    struct Style {
        QString ejectToolTip;
        bool monospacedQuantization = false;
    };

    LoadedModelRow(const LocalAIModel& model, const UiColor& accent, Style style, QWidget* parent = nullptr);

    // "%.1f GB" of the size in 1024-cubed bytes.
    static QString sizeText(qint64 bytes);

    // Fills `list` with one row per model, keyed by name; `ejectAction` gives
    // each model's eject action (empty for none). `unlisted` models the
    // server reported beyond `models` join the list's "and N more" line.
    using EjectAction = std::function<std::function<void()>(const LocalAIModel&)>;
    static void showModels(KeyedRowList* list, const QList<LocalAIModel>& models, const UiColor& accent,
                           const Style& style, const EjectAction& ejectAction, qsizetype unlisted = 0);

    void setModel(const LocalAIModel& model);
    const LocalAIModel& model() const { return m_model; }
    void setAccent(const UiColor& accent);
    // An empty action hides the eject button: a row that nothing can eject
    // offers no button.
    void setOnEject(std::function<void()> onEject);

    DestructiveIconButton* ejectButton() const { return m_eject; }
    QString nameText() const;
    QString tagText() const;
    QString detailText() const; // "GGUF • Q4_0"
    QString sizeLabelText() const;

private:
    LocalAIModel m_model;
    std::function<void()> m_onEject;
    ElidedLabel* m_name;
    Badge* m_tag;
    PlainLabel* m_format;
    PlainLabel* m_quantization;
    PlainLabel* m_size;
    DestructiveIconButton* m_eject;
};
