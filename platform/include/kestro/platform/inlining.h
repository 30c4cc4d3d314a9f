// Inlining requests for the few hot paths that measure better with them,
// spelled for each compiler; elsewhere they ask nothing. For functions
// defined in their class (inline already).
#ifndef KESTRO_PLATFORM_INLINING_H_
#define KESTRO_PLATFORM_INLINING_H_

#if defined(__GNUC__) || defined(__clang__)
#define KESTRO_NOINLINE [[gnu::noinline]]
#define KESTRO_ALWAYS_INLINE [[gnu::always_inline]]
#elif defined(_MSC_VER)
#define KESTRO_NOINLINE __declspec(noinline)
#define KESTRO_ALWAYS_INLINE __forceinline
#else
#define KESTRO_NOINLINE
#define KESTRO_ALWAYS_INLINE
#endif

#endif  // KESTRO_PLATFORM_INLINING_H_
