# Tests of the settings layer.
