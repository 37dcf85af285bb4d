#pragma once

/// Runs run and drops any failure it raises: for a step whose failure leaves nothing the program
/// relies on (the next command or save tries afresh), and at the edges where C code, D-Bus or the
/// event loop call ours and nothing may be thrown back.
template <class Run> void IgnoreFailure(const Run& run) noexcept {
    try {
        run();
    } catch (...) {
    }
}

/// What read returns, or fallback when it raises any failure.
template <class T, class Read> T OrOnFailure(T fallback, const Read& read) noexcept {
    try {
        return read();
    } catch (...) {
        return fallback;
    }
}
