#pragma once
// The program reaches each window through a global pointer (hand-overs from
// the read threads, the dispatch). A window that goes away clears it, so that
// nothing later reaches a destroyed window; a pointer already moved on to
// another window of the kind is left alone.

template <class Window>
void ForgetWindow(Window*& pointer, const Window* window) {
    if (pointer == window) {
        pointer = nullptr;
    }
}
