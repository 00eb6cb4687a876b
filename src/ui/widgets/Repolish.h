#pragma once

class QWidget;

// Re-applies the style sheet to w (unpolish, polish, repaint), so that rules selecting on a dynamic
// property such as "changed" take effect at once.
void repolish(QWidget *w);
