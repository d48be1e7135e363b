// Boost.URL ships as headers and sources: its definitions are compiled here, once for the relay.
#include <boost/url/src.hpp>
