# What the Ruby benchmarks share: where the build's pieces are, and a private place for the
# link's registry, shared memory and runtime folders with the plug-in loaded over it.
require 'fileutils'
require 'tmpdir'

ROOT = File.expand_path('..', __dir__)
BUILD = ENV.fetch('TWINLINK_BUILD_DIR', File.join(ROOT, 'build'))
PEER = File.join(BUILD, 'peer', 'korvan-peer')
LOADER = File.join(BUILD, 'plugin', 'Plugins', 'korvan_twinlink.rb')
# A safety net for a broken build, not a timing assumption.
WAIT_LIMIT_MS = 600_000

def wall = Process.clock_gettime(Process::CLOCK_MONOTONIC)

# The settings the benchmarks run with, as REG_DWORDs in the private registry:
#   SkipKorvanCheck 1: the watching peer starts beside each Start, so its window may not be up
#     when the start looks for it, and the load figures are the mirror's, not that search's;
#   CameraAutoSync 0: a followed camera wakes Korvan too, and each wake-up the peer reports
#     must be the one for the model or the edit being timed.
def write_bench_settings
  write_setting('SkipKorvanCheck', 1)
  write_setting('CameraAutoSync', 0)
end

# One of the plug-in's settings as a REG_DWORD in the private registry.
def write_setting(name, value)
  folder = File.join(ENV.fetch('TWINLINK_REGISTRY_ROOT'), 'HKEY_CURRENT_USER', 'Software', 'Qentra', 'PluginForSketchup')
  FileUtils.mkdir_p(folder, mode: 0o700)
  path = File.join(folder, name)
  File.binwrite(path, [4, value].pack('VV'))
  File.chmod(0o600, path)
end

# One line of the table that closes ./run bench (the format is bench/summary.h's), appended to
# the file TWINLINK_BENCH_SUMMARY names; nothing when it is unset.
def summary_figure(figure, measured, target, met)
  path = ENV.fetch('TWINLINK_BENCH_SUMMARY', '')
  return if path.empty?

  File.open(path, 'a') { |file| file.puts [figure, measured, target, met ? 'met' : 'not met'].join("\t") }
end

# One of the plug-in's commands, as its submenu offers it.
def command(text) = HostSim.menu_item('Extensions', 'Korvan TwinLink', text).command

def percentile(values, fraction) = values.sort[[(fraction * values.size).ceil - 1, 0].max]

# Loads the plug-in with the platform's state in a new folder, yields that folder, removes it.
def with_private_plugin
  abort "no plug-in at #{LOADER}: build first" unless File.exist?(LOADER)
  base = Dir.mktmpdir('twinlink-bench-')
  { 'TWINLINK_REGISTRY_ROOT' => 'registry', 'TWINLINK_SHM_DIR' => 'shm', 'TWINLINK_RUNTIME_DIR' => 'run' }
    .each { |variable, folder| ENV[variable] = File.join(base, folder) }
  write_bench_settings
  load LOADER
  yield base
ensure
  FileUtils.rm_rf(base) if base
end
