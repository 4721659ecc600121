#pragma once

#include <QtGlobal>

#if defined(INDEXKLINEVIEW_LIBRARY)
#define INDEXKLINEVIEW_EXPORT Q_DECL_EXPORT
#else
#define INDEXKLINEVIEW_EXPORT Q_DECL_IMPORT
#endif
