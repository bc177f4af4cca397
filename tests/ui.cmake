# Tests of the ui layer.
