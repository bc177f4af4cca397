# Tests of the core layer.
