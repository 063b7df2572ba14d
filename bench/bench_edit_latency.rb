# Edit to Korvan while the link runs: the time from an operation's commit until korvan-peer,
# watching as Korvan does, has read the batches that the edit changed. Current SketchUp's
# observer order (element events after the commit). Run by ./run bench inside hostsim-ruby:
#   build/hostsim/hostsim-ruby bench/bench_edit_latency.rb [EDITS] [CITY_TRIANGLES]
# Reported for the sample house and a generated city: median and 99th percentile over EDITS
# moves of one placement, and over EDITS repaints of one face inside the city's largest
# material (whose whole batch is written again), with that material's size. Two times each,
# on the machine's monotonic clock that korvan-peer reports: until Korvan is woken (the
# plug-in's part) and until it has read the changed batches.
require 'etc'
require 'fileutils'
require 'json'
require 'tmpdir'
require_relative 'bench_support'

EDITS = Integer(ARGV[0] || 200)
CITY_TRIANGLES = Integer(ARGV[1] || 1_000_000)


def percentile(values, fraction) = values.sort[[(fraction * values.size).ceil - 1, 0].max]

def command(text) = HostSim.menu_item('Extensions', 'Korvan TwinLink', text).command

# Starts the link on `model` with a watching peer; yields a block that times one edit: the
# commit happens inside `edit`, the wait ends when the peer has read what the edit sent. The
# block answers [seconds until the peer was woken, seconds until it had read].
def with_link(model, folder, name)
  link = File.join(folder, "#{name}.skp")
  model.save(link)
  HostSim.defer_element_events = true
  output, input = IO.pipe
  watcher = Process.spawn(PEER, 'watch', '--link', link, '--timeout-ms', WAIT_LIMIT_MS.to_s, out: input)
  input.close
  command('Start TwinLink').invoke
  output.gets or abort 'korvan-peer never saw the model'
  timer = lambda do |edit|
    edit.call
    committed = wall
    HostSim.pump(0)  # SketchUp goes idle: what the edit reported is handed to the worker
    line = output.gets or abort 'korvan-peer saw no wake-up message'
    report = JSON.parse(line)
    report['scene'] or abort "korvan-peer read no scene: #{line}"
    report['clock'].values_at('wokenNs', 'readNs').map { |ns| ns / 1e9 - committed }
  end
  yield timer, link
ensure
  command('Stop TwinLink').invoke if command('Stop TwinLink').enabled?
  Process.kill(:TERM, watcher) if watcher
  Process.wait(watcher) if watcher
end

def report(label, samples)
  puts "  #{label}"
  [['Korvan woken', 0], ['batches read', 1]].each do |what, column|
    ms = samples.map { |sample| sample[column] * 1000 }
    puts format('    %-14s median %7.2f ms   p99 %7.2f ms', what, percentile(ms, 0.5), percentile(ms, 0.99))
  end
end

def moves(timer, placement)
  Array.new(EDITS) do |i|
    timer.call(lambda do
      placement.transform!(Geom::Transformation.translation([i.even? ? 12 : -12, 0, 0]))
    end)
  end
end

with_private_plugin do |base|
  puts "Edit latency benchmark (#{Etc.nprocessors} cores, #{EDITS} edits each)"
  house = HostSim.open_sample_house
  with_link(house, base, 'House') do |timer, _|
    tree = house.entities.grep(Sketchup::Group).find { |g| g.name == 'Garden' }
                .definition.entities.grep(Sketchup::ComponentInstance).first
    report('sample house: move a tree', moves(timer, tree))
  end

  city = HostSim.open_city(21, CITY_TRIANGLES)
  with_link(city, base, 'City') do |timer, link|
    building = city.entities.grep(Sketchup::Group).first || city.entities.grep(Sketchup::ComponentInstance).first
    report(format('city of %d triangles: move a placement', CITY_TRIANGLES), moves(timer, building))

    named = city.materials.map(&:name)
    largest = JSON.parse(`"#{PEER}" counts --link "#{link}"`)['materials']
                  .select { |m| named.include?(m['name']) }.max_by { |m| m['triangles'] }
    face = city.definitions.flat_map { |d| d.entities.grep(Sketchup::Face) }
               .find { |f| f.material&.name == largest['name'] }
    abort "no face painted #{largest['name']}" unless face
    other = city.materials.find { |m| m.name != largest['name'] }
    repaints = Array.new(EDITS) do |i|
      timer.call(-> { face.material = i.even? ? other : largest['name'] })
    end
    report(format('city: repaint one face of %s (%d triangles)', largest['name'], largest['triangles']), repaints)
  end
end
