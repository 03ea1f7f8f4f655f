local veil = require "Q_Veil_Kit"
veil.AlphaDataSet(pixels, width, height 1)
