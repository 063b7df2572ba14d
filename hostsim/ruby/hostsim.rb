# The SketchUp stand-in: loads the native document and API, then the parts written in Ruby.
require 'hostsim_ext'
require 'hostsim/ui'
require 'hostsim/observers'
