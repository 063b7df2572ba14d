# The whole load as a user meets it: generated cities mirrored through Start TwinLink until
# korvan-peer, watching as Korvan does, has read every batch after the plug-in's first wake-up
# message. Run by ./run bench inside hostsim-ruby; the city sizes (triangles) can be given:
#   build/hostsim/hostsim-ruby bench/bench_scene_load.rb [TRIANGLES ...]
# Reported per city:
#   - wall time from Start TwinLink to the peer holding the whole model, and until Start returned;
#   - how that time divides: SketchUp's own meshing of faces (hostsim's clock; the load meshes
#     on the Ruby thread), the peer's reading of the batches (timed again afterwards with
#     korvan-peer counts, which reads them all once more), and the plug-in's own work, the rest;
#   - the CPU time of this process in that span (the plug-in's threads and SketchUp's meshing);
#   - the plug-in's peak private memory (anonymous resident memory above what the process held
#     before Start, sampled from another process) per triangle of the model.
require 'etc'
require 'fileutils'
require 'json'
require 'rbconfig'
require 'tmpdir'
require_relative 'bench_support'

SIZES = ARGV.empty? ? [100_000, 1_000_000] : ARGV.map { |a| Integer(a) }

def cpu = Process.clock_gettime(Process::CLOCK_PROCESS_CPUTIME_ID)

def timed
  started = wall
  yield
  wall - started
end

def rss_anon_kib(pid = Process.pid) = File.read("/proc/#{pid}/status")[/^RssAnon:\s+(\d+)/, 1].to_i

# Another process samples this one's anonymous resident memory every 2 ms while Start holds
# Ruby's lock, and prints the peak when its input closes.
class MemorySampler
  SCRIPT = <<~RUBY.freeze
    require 'io/wait'
    status = "/proc/\#{ARGV[0]}/status"
    peak = 0
    loop do
      kib = File.read(status)[/^RssAnon:\\s+(\\d+)/, 1].to_i
      peak = kib if kib > peak
      break if $stdin.wait_readable(0.002) && $stdin.read_nonblock(1, exception: false).nil?
    end
    puts peak
  RUBY

  def initialize
    @input, @child_input = IO.pipe
    @child_output, @output = IO.pipe
    ruby = File.exist?('/usr/bin/ruby') ? '/usr/bin/ruby' : RbConfig.ruby
    @pid = Process.spawn(ruby, '-e', SCRIPT, Process.pid.to_s, in: @input, out: @output)
    @input.close
    @output.close
  end

  def peak_kib
    @child_input.close
    Integer(@child_output.read.strip).tap { Process.wait(@pid) }
  end
end

def load_city(seed, triangles, folder)
  model = HostSim.open_city(seed, triangles)
  link = File.join(folder, "City #{triangles}.skp")
  model.save(link)
  model_triangles = HostSim.summary(model)[:visible_triangles]
  GC.start

  watch_output, watch_input = IO.pipe
  watcher = Process.spawn(PEER, 'watch', '--link', link, '--count', '1', '--timeout-ms', WAIT_LIMIT_MS.to_s,
                          out: watch_input)
  watch_input.close
  sampler = MemorySampler.new
  before_kib = rss_anon_kib
  HostSim.reset_meshing_clock

  started_wall = wall
  started_cpu = cpu
  command('Start TwinLink').invoke
  returned_wall = wall
  line = watch_output.gets or abort 'korvan-peer saw no wake-up message'
  held_wall = wall
  used_cpu = cpu - started_cpu
  peak_kib = sampler.peak_kib
  Process.wait(watcher)
  scene = JSON.parse(line)['scene'] or abort "korvan-peer read no scene: #{line}"
  meshing = HostSim.meshing_seconds
  reading = timed { system(PEER, 'counts', '--link', link, out: File::NULL) or abort 'korvan-peer counts failed' }
  command('Stop TwinLink').invoke

  total = held_wall - started_wall
  growth = [peak_kib - before_kib, 0].max * 1024.0
  puts format('city of %<model>d triangles (%<sent>d sent, front and back, in %<materials>d materials):',
              model: model_triangles, sent: scene['triangles'], materials: scene['materials'])
  puts format('  Start TwinLink to the peer holding the model  %8.3f s  (Start returned after %.3f s)',
              total, returned_wall - started_wall)
  puts format('    SketchUp meshing faces                       %8.3f s', meshing)
  puts format('    the peer reading the batches                 %8.3f s', reading)
  puts format('    the plug-in                                  %8.3f s', total - meshing - reading)
  puts format('  CPU of this process in that span               %8.3f s', used_cpu)
  puts format('  plug-in peak private memory                    %8.1f MiB, %.0f bytes per model triangle',
              growth / 2**20, growth / model_triangles)
end

with_private_plugin do |base|
  puts "Scene load benchmark (#{Etc.nprocessors} cores)"
  SIZES.each_with_index { |triangles, i| load_city(11 + i, triangles, base) }
end
