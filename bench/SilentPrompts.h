#pragma once

// Prompts that answer nothing, for the benchmarks that run the whole window.

#include "widgets/Prompts.h"

class SilentPrompts : public Prompts {
public:
    void message(const QString &) override {}
    QString input(const QString &, const QString &, const QString &) override { return {}; }
};
